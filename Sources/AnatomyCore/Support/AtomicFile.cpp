#include "AnatomyCore/Support/AtomicFile.h"

#include "AnatomyCore/Support/FileError.h"

#include <fcntl.h>
#include <sys/mman.h>
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
    file_.reset(mkostemp(name.data(), O_CLOEXEC));
    if (!file_)
        throw FileError("Impossibile creare il file", target_, errno);
    temporary_ = name.data();
    if (fchmod(file_.get(), 0644) != 0) {
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
    unmap();
    file_.reset();
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

void AtomicFile::write(std::span<const std::byte> bytes)
{
    if (!file_.writeAll(bytes))
        throw FileError("Impossibile scrivere il file", target_, errno);
}

void AtomicFile::write(std::string_view bytes)
{
    write(std::as_bytes(std::span(bytes.data(), bytes.size())));
}

void AtomicFile::unmap() noexcept
{
    if (!mapping_.empty())
        ::munmap(mapping_.data(), mapping_.size());
    mapping_ = {};
}

std::span<std::byte> AtomicFile::mapForWriting(std::size_t length)
{
    if (length == 0)
        return {};
    // Reserved blocks mean that a full disk fails here, and never as a
    // signal while the mapping is written.
    if (int error = ::posix_fallocate(file_.get(), 0, static_cast<off_t>(length)); error != 0)
        throw FileError("Impossibile scrivere il file", target_, error);
    void* base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, file_.get(), 0);
    if (base == MAP_FAILED)
        throw FileError("Impossibile scrivere il file", target_, errno);
    mapping_ = {static_cast<std::byte*>(base), length};
    return mapping_;
}

void AtomicFile::commit()
{
    unmap(); // the file's pages stay dirty in the page cache until the fsync below
    if (::fsync(file_.get()) != 0 || !file_.close())
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
