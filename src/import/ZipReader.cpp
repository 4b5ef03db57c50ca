#include "import/ZipReader.h"

#include <zip.h>

namespace pellucor {

ZipReader::ZipReader(const std::string& path)
{
    int error = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY, &error);
}

ZipReader::~ZipReader()
{
    if (zip_)
        zip_discard(zip_);
}

bool ZipReader::Has(const std::string& name) const { return zip_ && zip_name_locate(zip_, name.c_str(), 0) >= 0; }

std::optional<QByteArray> ZipReader::Read(const std::string& name, qint64 maxBytes) const
{
    if (!zip_)
        return std::nullopt;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(zip_, name.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)
        || st.size > static_cast<zip_uint64_t>(maxBytes))
        return std::nullopt;
    zip_file_t* file = zip_fopen(zip_, name.c_str(), 0);
    if (!file)
        return std::nullopt;
    QByteArray data(static_cast<qsizetype>(st.size), Qt::Uninitialized);
    const zip_int64_t got = zip_fread(file, data.data(), st.size);
    zip_fclose(file);
    if (got < 0 || static_cast<zip_uint64_t>(got) != st.size)
        return std::nullopt;
    return data;
}

}  // namespace pellucor
