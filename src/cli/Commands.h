// Headless subcommands of the pellucor executable. Each takes the
// subcommand's own argc/argv (argv[0] is the subcommand name) and returns
// the process exit code.
#pragma once

namespace pellucor {

int RunSlideInfoCommand(int argc, char** argv);
int RunPublishCommand(int argc, char** argv);
int RunUploadCommand(int argc, char** argv);
int RunImportSlidesCommand(int argc, char** argv);
int RunSyncSlidesCommand(int argc, char** argv);
int RunAutomationCommand(int argc, char** argv);
int RunInstallPublicationCommand(int argc, char** argv);
int RunCourseCommand(int argc, char** argv);
int RunAccessibilityCommand(int argc, char** argv);
int RunPackageCommand(int argc, char** argv);
int RunSlideTextCommand(int argc, char** argv);
int RunTranscribeCommand(int argc, char** argv);
int RunDescribeCommand(int argc, char** argv);
int RunSpeechModelCommand(int argc, char** argv);
int RunSlidesFromRecordingCommand(int argc, char** argv);
int RunExportVideoCommand(int argc, char** argv);
int RunCutCommand(int argc, char** argv);

}  // namespace pellucor
