#include "portio/AccessTrace.h"

#include <cstdio>
#include <ostream>

namespace tallis {

namespace {

// Longest line: "D 4294967295" plus NUL.
constexpr std::size_t kLineBufferSize = 16;

// Writes the line without its newline into buffer; returns its length.
std::size_t FormatInto(const TraceEntry& entry, char (&buffer)[kLineBufferSize]) {
    int length = 0;
    switch (entry.kind) {
        case AccessKind::Write:
            length = std::snprintf(buffer, sizeof buffer, "W %04X %02X", unsigned{entry.port},
                                   static_cast<unsigned>(entry.value & 0xFFu));
            break;
        case AccessKind::Read:
            length = std::snprintf(buffer, sizeof buffer, "R %04X %02X", unsigned{entry.port},
                                   static_cast<unsigned>(entry.value & 0xFFu));
            break;
        case AccessKind::Delay:
            length = std::snprintf(buffer, sizeof buffer, "D %lu",
                                   static_cast<unsigned long>(entry.value));
            break;
    }
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

}  // namespace

void AccessTrace::RecordWrite(std::uint16_t port, std::uint8_t value) {
    Record({AccessKind::Write, port, value});
}

void AccessTrace::RecordRead(std::uint16_t port, std::uint8_t value) {
    Record({AccessKind::Read, port, value});
}

void AccessTrace::RecordDelay(std::uint32_t microseconds) {
    Record({AccessKind::Delay, 0, microseconds});
}

void AccessTrace::Record(const TraceEntry& entry) {
    ++count_;
    if (sink_ == nullptr) {
        entries_.push_back(entry);
        return;
    }
    char buffer[kLineBufferSize];
    std::size_t length = FormatInto(entry, buffer);
    buffer[length] = '\n';
    sink_->write(buffer, static_cast<std::streamsize>(length + 1));
}

std::string AccessTrace::Text() const {
    std::string text;
    text.reserve(entries_.size() * 10);
    char buffer[kLineBufferSize];
    for (const TraceEntry& entry : entries_) {
        text.append(buffer, FormatInto(entry, buffer));
        text.push_back('\n');
    }
    return text;
}

void AccessTrace::Clear() {
    entries_.clear();
    count_ = 0;
}

std::string AccessTrace::FormatEntry(const TraceEntry& entry) {
    char buffer[kLineBufferSize];
    return std::string(buffer, FormatInto(entry, buffer));
}

}  // namespace tallis
