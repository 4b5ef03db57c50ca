// A publication built in a staging directory beside its output (on the
// same file system) and put in place whole once it is complete and checked:
// on Linux by exchanging the two directories in one step, else by two
// renames that the next publish of the same output puts right if a crash
// came between them. Until then the previous publication stays exactly as
// it was; a failed, cancelled or killed publish leaves it untouched, and
// the next publish of the output removes what a dead one left beside it.
#pragma once

#include <functional>
#include <string>

namespace pellucor {

class StagedPublication {
public:
    // output: where the publication goes (a symbolic link to a directory
    // is followed, so the link itself stays).
    explicit StagedPublication(const std::string& output);
    // Discards the staging directory unless it was installed or kept.
    ~StagedPublication();
    StagedPublication(const StagedPublication&) = delete;
    StagedPublication& operator=(const StagedPublication&) = delete;

    // Puts right what dead publishes of this output left beside it, then
    // makes a fresh staging directory. False with err (naming the path and
    // the system's reason) when it cannot be made.
    bool Create(std::string& err);
    // The staging directory and the output, each ending in "/".
    const std::string& Dir() const { return dir_; }
    const std::string& Output() const { return output_; }
    // Takes into the staging directory every file of the publication in
    // place at the output that it does not hold yet, linked where the file
    // system allows (the files are never written again), else copied:
    // what a publication that adds to the one in place starts from. Its
    // manifest is written anew at Install. False with err.
    bool TakeRestOfOutput(std::string& err);
    // Writes the manifest and puts the staging directory in place of the
    // output, removing the previous publication.
    bool Install(std::string& err);
    // Leaves the staging directory for a script run by hand, which installs
    // it at its end (a later publish of the same output removes it).
    void Keep();
    void Discard();

    // Whether a staging directory is complete: its script wrote "All Done"
    // and every media file in it passes checkMedia (the whole file read,
    // its last pictures decoded). False with err naming the first fault.
    using MediaCheck = std::function<bool(const std::string& path, std::string& err)>;
    static bool Check(const std::string& staging, const MediaCheck& checkMedia, std::string& err);

    // Installs an existing staging directory: the step a script run by hand
    // ends with.
    static bool InstallDir(const std::string& staging, const std::string& output, std::string& err);
    // The output as it will be written: symbolic links resolved, ending in "/".
    static std::string Resolve(const std::string& output);

private:
    std::string output_;
    std::string dir_;
    bool done_ = false;
    bool kept_ = false;
};

}  // namespace pellucor
