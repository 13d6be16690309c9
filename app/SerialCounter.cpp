#include "app/SerialCounter.h"

#include <fstream>

#include "app/AtomicFile.h"
#include "app/FileNames.h"

namespace tallis {

namespace {

struct CounterFile {
    std::optional<std::uint64_t> next;
    std::set<std::uint64_t> free;
    std::set<std::uint64_t> attempted;
};

std::optional<CounterFile> ReadCounterFile(std::istream& in) {
    CounterFile file;
    std::string key;
    std::uint64_t value = 0;
    while (in >> key >> value) {
        if (key == "next" && !file.next) {
            file.next = value;
        } else if (key == "free") {
            file.free.insert(value);
        } else if (key == "attempted") {
            file.attempted.insert(value);
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
        problem = AtomicFile(path).Check();
        if (!problem.empty()) {
            problem = "cannot write the serial number file " + PathText(path) + ": " + problem;
            return std::nullopt;
        }
        return SerialCounter(path, start, step);
    }
    std::optional<CounterFile> file;
    {
        // Closed before the counter is saved: Windows will not replace an open file.
        std::ifstream in(path);
        if (in) {
            file = ReadCounterFile(in);
        }
    }
    if (!file) {
        problem = PathText(path) +
                  " is not a serial number file (\"next N\", then maybe \"free N\" and "
                  "\"attempted N\" lines)";
        return std::nullopt;
    }
    SerialCounter counter(path, *file->next, step);
    counter.free_ = file->free;
    counter.abandoned_ = file->attempted;
    for (const std::uint64_t number : file->attempted) {
        counter.free_.erase(number);
        counter.next_ = std::max(counter.next_, number + step);
    }
    if (!counter.abandoned_.empty()) {
        if (problem = counter.Save(); !problem.empty()) {
            return std::nullopt;
        }
    }
    return counter;
}

void SerialCounter::FoldFreeIntoNext() {
    while (!free_.empty() && *free_.rbegin() + step_ == next_) {
        next_ = *free_.rbegin();
        free_.erase(std::prev(free_.end()));
    }
}

std::string SerialCounter::Save() const {
    AtomicFile file(path_);
    std::string error = file.Create();
    if (error.empty()) {
        file.Stream() << "next " << next_ << '\n';
        for (const std::uint64_t number : free_) {
            file.Stream() << "free " << number << '\n';
        }
        for (const std::uint64_t number : attempted_) {
            file.Stream() << "attempted " << number << '\n';
        }
        error = file.Commit();
    }
    return error.empty() ? error : "the serial number file " + PathText(path_) + ": " + error;
}

std::string SerialCounter::Attempt(std::uint64_t& number) {
    const SerialCounter before = *this;
    number = Next();
    if (!free_.empty()) {
        free_.erase(free_.begin());
    } else {
        next_ += step_;
    }
    attempted_.insert(number);
    std::string error = Save();
    if (!error.empty()) {
        *this = before;
    }
    return error;
}

std::string SerialCounter::Finish(std::uint64_t number, bool verified) {
    attempted_.erase(number);
    if (!verified) {
        free_.insert(number);
        FoldFreeIntoNext();
    }
    return Save();
}

}  // namespace tallis
