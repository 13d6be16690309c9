#include "app/SerialCounter.h"

#include <fstream>
#include <sstream>

#include "app/AtomicFile.h"
#include "app/FileNames.h"

namespace tallis {

namespace {

struct CounterFile {
    std::optional<std::uint64_t> next;
    std::optional<std::uint64_t> attempted;
};

std::optional<CounterFile> ReadCounterFile(std::istream& in) {
    CounterFile file;
    std::string key;
    std::uint64_t value = 0;
    while (in >> key >> value) {
        if (key == "next" && !file.next) {
            file.next = value;
        } else if (key == "attempted" && !file.attempted) {
            file.attempted = value;
        } else {
            return std::nullopt;
        }
    }
    if (!in.eof() || !file.next) {
        return std::nullopt;
    }
    return file;
}

}  // namespace

std::optional<SerialCounter> SerialCounter::Open(const std::filesystem::path& path,
                                                 std::uint64_t start, std::uint64_t step,
                                                 std::string& problem) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        SerialCounter counter(path, start, step);
        problem = AtomicFile(path).Check();
        if (!problem.empty()) {
            problem = "cannot write the serial number file " + PathText(path) + ": " + problem;
            return std::nullopt;
        }
        return counter;
    }
    std::ifstream in(path);
    const std::optional<CounterFile> file = in ? ReadCounterFile(in) : std::nullopt;
    if (!file) {
        problem = PathText(path) +
                  " is not a serial number file (\"next N\", then maybe "
                  "\"attempted N\")";
        return std::nullopt;
    }
    SerialCounter counter(path, *file->next, step);
    if (file->attempted) {
        counter.abandoned_ = file->attempted;
        counter.next_ = std::max(counter.next_, *file->attempted + step);
        if (problem = counter.Save(); !problem.empty()) {
            return std::nullopt;
        }
    }
    return counter;
}

std::string SerialCounter::Save() const {
    AtomicFile file(path_);
    std::string error = file.Create();
    if (error.empty()) {
        file.Stream() << "next " << next_ << '\n';
        if (attempting_) {
            file.Stream() << "attempted " << next_ << '\n';
        }
        error = file.Commit();
    }
    return error.empty() ? error : "the serial number file " + PathText(path_) + ": " + error;
}

std::string SerialCounter::Attempt() {
    attempting_ = true;
    std::string error = Save();
    if (!error.empty()) {
        attempting_ = false;
    }
    return error;
}

std::string SerialCounter::Finish(bool verified) {
    attempting_ = false;
    if (verified) {
        next_ += step_;
    }
    return Save();
}

}  // namespace tallis
