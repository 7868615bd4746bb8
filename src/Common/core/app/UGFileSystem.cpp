#include "UGFileSystem.h"

#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

// Finds the entry of a folder whose name equals the wanted one without regard to case.
bool FindEntryNoCase(const fs::path& folder, const std::string& wanted, fs::path& found) {
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    if (ec) {
        return false;
    }
    std::string lowerWanted = LowerAscii(wanted);
    for (const auto& entry : it) {
        if (LowerAscii(entry.path().filename().string()) == lowerWanted) {
            found = folder / entry.path().filename();
            return true;
        }
    }
    return false;
}

std::string ErrnoText() {
    return std::strerror(errno);
}

} // namespace

fs::path ResolveNoCase(const fs::path& path) {
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec)) {
        return path;
    }
    fs::path current = path.has_root_path() ? path.root_path() : fs::path();
    for (const auto& component : path.relative_path()) {
        std::string name = component.string();
        fs::path exact = current / component;
        if (name == "." || name == ".." || fs::exists(exact, ec)) {
            current = exact;
            continue;
        }
        fs::path found;
        if (!FindEntryNoCase(current, name, found)) {
            return path;
        }
        current = found;
    }
    return current;
}

bool FileExistsNoCase(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(ResolveNoCase(path), ec);
}

std::string ReadWholeFile(const fs::path& path) {
    fs::path resolved = ResolveNoCase(path);
    FILE* file = std::fopen(resolved.c_str(), "rb");
    if (!file) {
        throw EGError(Format("Cannot open file \"%s\". %s", path.c_str(), ErrnoText().c_str()));
    }
    std::string bytes;
    char buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, count);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        throw EGError(Format("Cannot read file \"%s\". %s", path.c_str(), ErrnoText().c_str()));
    }
    return bytes;
}

bool IsTemporaryFileName(const std::string& name) {
    constexpr size_t SuffixLength = 6;
    // "." + at least one character of the target's name + "." + the suffix.
    if (name.size() < 3 + SuffixLength || name.front() != '.' ||
        name[name.size() - SuffixLength - 1] != '.') {
        return false;
    }
    return std::all_of(name.end() - SuffixLength, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

void RemoveStaleTemporaryFiles(const fs::path& folder, std::chrono::seconds minimumAge) {
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    // Stepped with error codes: a folder that changes or fails while it is listed ends the tidy-up
    // quietly instead of raising.
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        std::error_code entryError;
        if (!IsTemporaryFileName(entry.path().filename().string()) || !entry.is_regular_file(entryError)) {
            continue;
        }
        fs::file_time_type changed = entry.last_write_time(entryError);
        if (!entryError && now - changed >= minimumAge) {
            fs::remove(entry.path(), entryError);
        }
    }
}

void WriteFileAtomic(const fs::path& path, const std::string& bytes, TGFileAccess access) {
    fs::path target = ResolveNoCase(path);
    RemoveStaleTemporaryFiles(target.parent_path());
    std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        throw EGError(Format("Cannot create file \"%s\". %s", path.c_str(), ErrnoText().c_str()));
    }
    const char* data = bytes.data();
    size_t left = bytes.size();
    bool ok = true;
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            break;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    std::string error = ok ? "" : ErrnoText();
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        error = ErrnoText();
    }
    // mkstemp makes the file 0600 already; shared files become readable by everyone.
    ::fchmod(fd, access == TGFileAccess::Shared ? 0644 : 0600);
    ::close(fd);
    if (ok && std::rename(pattern.c_str(), target.c_str()) != 0) {
        ok = false;
        error = ErrnoText();
    }
    if (!ok) {
        ::unlink(pattern.c_str());
        throw EGError(Format("Cannot write file \"%s\". %s", path.c_str(), error.c_str()));
    }
}

void CreateFolders(const fs::path& path, fs::perms permissions) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        return;
    }
    fs::create_directories(path, ec);
    if (ec) {
        throw EGError(Format("Cannot create folder \"%s\". %s", path.c_str(), ec.message().c_str()));
    }
    fs::permissions(path, permissions, ec);
}

} // namespace qm
