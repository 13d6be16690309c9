#include "app/ProductionLog.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/FileNames.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tallis {

namespace {

#ifdef _WIN32
int OpenForAppending(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long WriteAll(int fd, const std::string& text) {
    return _write(fd, text.data(), static_cast<unsigned>(text.size()));
}
int SyncToDisk(int fd) {
    return _commit(fd);
}
int CloseFile(int fd) {
    return _close(fd);
}
#else
int OpenForAppending(const std::filesystem::path& path) {
    return open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}
long WriteAll(int fd, const std::string& text) {
    return write(fd, text.data(), text.size());
}
int SyncToDisk(int fd) {
    return fsync(fd);
}
int CloseFile(int fd) {
    return close(fd);
}
#endif

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

template <typename T>
std::string OrEmpty(const std::optional<T>& value) {
    if (!value) {
        return {};
    }
    if constexpr (std::is_same_v<T, std::string>) {
        return *value;
    } else {
        return std::to_string(*value);
    }
}

std::string JsonLine(const ChipLogEntry& e) {
    auto optionalString = [](const std::optional<std::string>& value) {
        return value ? JsonString(*value) : std::string("null");
    };
    auto optionalNumber = [](const auto& value) {
        return value ? std::to_string(*value) : std::string("null");
    };
    return "{\"time\":" + JsonString(e.time) + ",\"board\":" + JsonString(e.board) +
           ",\"port\":" + JsonString(e.port) + ",\"chip\":" + std::to_string(e.chip) +
           ",\"device\":" + JsonString(e.device) + ",\"revision\":" + optionalNumber(e.revision) +
           ",\"file\":" + JsonString(e.file) + ",\"sha256\":" + JsonString(e.sha256) +
           ",\"serial\":" + optionalNumber(e.serial) +
           ",\"checksum\":" + optionalString(e.checksum) +
           ",\"result\":" + JsonString(e.passed ? "passed" : "failed") +
           ",\"problem\":" + JsonString(e.problem) +
           ",\"first_difference\":" + optionalString(e.firstDifference) +
           ",\"duration_s\":" + Seconds(e.durationS) + "}\n";
}

std::string CsvLine(const ChipLogEntry& e) {
    const std::string fields[] = {e.time,
                                  e.board,
                                  e.port,
                                  std::to_string(e.chip),
                                  e.device,
                                  OrEmpty(e.revision),
                                  e.file,
                                  e.sha256,
                                  OrEmpty(e.serial),
                                  OrEmpty(e.checksum),
                                  e.passed ? "passed" : "failed",
                                  e.problem,
                                  OrEmpty(e.firstDifference),
                                  Seconds(e.durationS)};
    std::string line;
    for (const std::string& field : fields) {
        line += (line.empty() ? "" : ",") + CsvField(field);
    }
    return line + "\n";
}

}  // namespace

std::string UtcTimestamp(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string CsvHeader() {
    return "time,board,port,chip,device,revision,file,sha256,serial,checksum,result,problem,"
           "first_difference,duration_s\n";
}

std::string LogLine(const ChipLogEntry& entry, LogFormat format) {
    return format == LogFormat::Csv ? CsvLine(entry) : JsonLine(entry);
}

ProductionLog::~ProductionLog() {
    if (fd_ >= 0) {
        CloseFile(fd_);
    }
}

std::string ProductionLog::Open(const std::filesystem::path& path, LogFormat format) {
    path_ = path;
    format_ = format;
    fd_ = OpenForAppending(path);
    if (fd_ < 0) {
        return "cannot write the log " + PathText(path) + ": " + std::strerror(errno);
    }
    std::error_code error;
    if (format == LogFormat::Csv && std::filesystem::file_size(path, error) == 0 && !error) {
        return WriteLine(CsvHeader());
    }
    return {};
}

std::string ProductionLog::Append(const ChipLogEntry& entry) {
    return WriteLine(LogLine(entry, format_));
}

std::string ProductionLog::WriteLine(const std::string& line) {
    const long written = WriteAll(fd_, line);
    if (written != static_cast<long>(line.size()) || SyncToDisk(fd_) != 0) {
        return "the log " + PathText(path_) +
               " was not written: " + (written < 0 ? std::strerror(errno) : "the disk is full");
    }
    return {};
}

}  // namespace tallis
