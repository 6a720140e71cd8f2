#include "AnatomyCore/AtomicFile.h"

#include "AnatomyCore/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace morvena {

AtomicFile::AtomicFile(std::filesystem::path target)
    : target_(std::move(target))
{
    std::string pattern = (target_.parent_path() / ("." + target_.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = mkostemp(name.data(), O_CLOEXEC);
    if (descriptor_ < 0)
        throw FileError("Impossibile creare il file", target_, errno);
    temporary_ = name.data();
    if (fchmod(descriptor_, 0644) != 0) {
        int error = errno;
        discard();
        throw FileError("Impossibile impostare i permessi di", temporary_, error);
    }
}

AtomicFile::~AtomicFile()
{
    if (!committed_)
        discard();
}

void AtomicFile::discard() noexcept
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

void AtomicFile::write(std::span<const std::byte> bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw FileError("Impossibile scrivere il file", target_, written < 0 ? errno : EIO);
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

void AtomicFile::write(std::string_view bytes)
{
    write(std::as_bytes(std::span(bytes.data(), bytes.size())));
}

void AtomicFile::commit()
{
    if (::fsync(descriptor_) != 0)
        throw FileError("Impossibile scrivere il file", target_, errno);
    int closing = ::close(descriptor_);
    descriptor_ = -1;
    if (closing != 0)
        throw FileError("Impossibile scrivere il file", target_, errno);
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        throw FileError("Impossibile sostituire il file", target_, errno);
    committed_ = true;
}

void AtomicFile::write(const std::filesystem::path& target, std::string_view bytes)
{
    AtomicFile file(target);
    file.write(bytes);
    file.commit();
}

} // namespace morvena
