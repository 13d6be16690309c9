#include "fuzz/ReferenceRun.h"

#include <algorithm>
#include <cstdio>

namespace tallis::fuzz {

namespace {

int Digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Value of the leading hex digits of `count` characters from `from`; a
// character that is not a digit, or the end of the text, ends the number.
unsigned Leading(std::string_view text, std::size_t from, std::size_t count) {
    unsigned value = 0;
    for (std::size_t i = from; i < from + count && i < text.size(); ++i) {
        const int digit = Digit(text[i]);
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

const char* const kNotIntelHex = "ERROR  ! \n\rThis file not Intel hex file";
const char* const kChecksumError = "Check sum error !";

// One walk over the text: first without the chip (dry), then, when that
// reaches a sound end record, with it.
class Walk {
  public:
    Walk(std::string_view text, sim::TargetType type, const sim::ChipMemory& chip, bool dry)
        : text_(text), last_(static_cast<std::int64_t>(text.size()) - 1), type_(type), dry_(dry) {
        result_.memory = chip;
        if (!dry_) {
            result_.memory.program.fill(sim::kErasedWord);
            result_.memory.ConfigWord() = sim::NormalizeConfigWord(type, sim::kErasedWord);
            if (type == sim::TargetType::Pic16F877) {
                // The code-protect-disable erase takes the IDs and the debug vector too.
                std::fill_n(result_.memory.config.begin(),
                            sim::kDebugVectorAddress - sim::kConfigSpaceStart + 1,
                            sim::kErasedWord);
            }
        }
    }

    ReferenceResult Run() {
        if (text_.empty()) {
            End(ExpectedEnd::NotIntelHex, kNotIntelHex);
            return result_;
        }
        std::int64_t pos = 0;
        while (pos < last_) {
            if (!IsLineEnd(text_[static_cast<std::size_t>(pos)])) {
                pos = Record(pos);
                if (stopped_) {
                    return result_;
                }
            }
            ++pos;
        }
        End(ExpectedEnd::EndOfText, "the file has no end record; the target was not reset");
        return result_;
    }

    bool SkipsIds() const { return skipsIds_; }
    bool SkipsEeprom() const { return skipsEeprom_; }
    bool SkipsSecondConfig() const { return skipsSecondConfig_; }

  private:
    // Characters pos + 1 .. pos + count all lie in the text.
    bool Present(std::int64_t pos, std::int64_t count) const { return pos + count <= last_; }
    unsigned Pair(std::int64_t from) const {
        return Leading(text_, static_cast<std::size_t>(from), 2);
    }

    void End(ExpectedEnd end, std::string message) {
        result_.end = end;
        result_.message = std::move(message);
        stopped_ = true;
    }

    // Handles the record whose start is at pos; returns where the run's next
    // step (one position on) continues from.
    std::int64_t Record(std::int64_t pos) {
        ++result_.records;
        if (text_[static_cast<std::size_t>(pos)] != ':') {
            End(ExpectedEnd::NotIntelHex, kNotIntelHex);
            return pos;
        }
        if (!Present(pos, 8)) {
            End(ExpectedEnd::ChecksumError, kChecksumError);
            return pos;
        }
        const unsigned byteCount = Pair(pos + 1);
        const unsigned wordCount = byteCount / 2;
        unsigned sum = byteCount + Pair(pos + 3) + Pair(pos + 5) + Pair(pos + 7);
        const auto wordAddress =
            static_cast<std::uint16_t>(Leading(text_, static_cast<std::size_t>(pos + 3), 4) / 2);
        const std::string_view type = text_.substr(static_cast<std::size_t>(pos + 7), 2);
        const bool dataRecord = type == "00";
        if (type == "01" && !dry_) {
            End(ExpectedEnd::Completed, ReferenceDownloadMessage(ReferenceWordCount(text_)));
            return pos;
        }
        if (type[0] != '0' || type[1] < '0' || type[1] > '5') {
            End(ExpectedEnd::RefusedRecord,
                "ERROR  ! \n\rThis file has a record of unknown type " + Printable(type));
            return pos;
        }
        // The counter moves to a program record that has a word to write.
        if (dataRecord && wordAddress < 0x2000 && wordCount > 0 && !dry_) {
            if (configMode_ || wordAddress < addressCounter_) {
                // A fresh entry into programming mode: the chip is back at 0.
                configMode_ = false;
                addressCounter_ = 0;
            }
            result_.increments += static_cast<std::uint16_t>(wordAddress - addressCounter_);
            addressCounter_ = wordAddress;
        }
        std::int64_t at = pos + 8;  // on the second type character
        unsigned firstWord = 0;
        for (unsigned i = 0; i < wordCount; ++i) {
            if (!Present(at, 4)) {
                End(ExpectedEnd::ChecksumError, kChecksumError);
                return at;
            }
            const unsigned low = Pair(at + 1);
            const unsigned high = Pair(at + 3);
            at += 4;
            sum += low + high;
            const auto word = static_cast<std::uint16_t>(high * 256 + low);
            firstWord = i == 0 ? word : firstWord;
            if (dataRecord && !Word(static_cast<std::uint16_t>(wordAddress + i), word)) {
                return at;
            }
        }
        if (byteCount % 2 != 0) {
            if (!Present(at, 2)) {
                End(ExpectedEnd::ChecksumError, kChecksumError);
                return at;
            }
            sum += Pair(at + 1);
            at += 2;
        }
        if (!Present(at, 2)) {
            End(ExpectedEnd::ChecksumError, kChecksumError);
            return at;
        }
        const unsigned checksum = Pair(at + 1);
        at += 2;
        if (((checksum + sum) & 0xFF) != 0) {
            End(ExpectedEnd::ChecksumError, kChecksumError);
            return at;
        }
        if ((type == "02" || type == "04") && (byteCount != 2 || firstWord != 0)) {
            End(ExpectedEnd::RefusedRecord,
                "ERROR  ! \n\rThis file has data at an extended "
                "address, in memory no PIC16 has");
            return at;
        }
        if (dataRecord && wordAddress < 0x2000 && wordAddress + wordCount > 0x2000) {
            End(ExpectedEnd::RefusedRecord,
                "ERROR  ! \n\rThis file has a record that runs on "
                "past the end of program memory (1FFFH)");
            return at;
        }
        if (type == "01") {
            End(ExpectedEnd::Completed, "");
            return at;
        }
        at += 1;  // the line end is passed over unexamined
        if (dataRecord) {
            return at;
        }
        while (at < last_) {
            ++at;
            if (text_[static_cast<std::size_t>(at)] == ':') {
                return at - 1;
            }
        }
        return at;
    }

    static std::string Printable(std::string_view text) {
        std::string shown;
        for (char c : text) {
            shown += c >= ' ' && c <= '~' ? c : '?';
        }
        return shown;
    }

    // False when the run stops at this word.
    bool Word(std::uint16_t address, std::uint16_t word) {
        if (dry_) {
            skipsIds_ = skipsIds_ || (address >= 0x2000 && address < 0x2004);
            skipsEeprom_ = skipsEeprom_ || (address >= 0x2100 && address < 0x2200);
            skipsSecondConfig_ = skipsSecondConfig_ || address == 0x2008;
            return true;
        }
        if (address == 0x2007) {
            return WriteConfig(word);
        }
        if (address < 0x2000) {
            return WriteProgram(word);
        }
        return true;
    }

    // False when the word reads back different in a bit the chip implements:
    // the run stops there.
    bool WriteConfig(std::uint16_t word) {
        ++result_.configWrites;
        configMode_ = true;
        std::uint16_t& stored = result_.memory.ConfigWord();
        // The 877A erases the word first (command 8); the 877 only programs (24).
        const auto value = static_cast<std::uint16_t>(word & sim::kWordMask);
        stored = sim::NormalizeConfigWord(
            type_, type_ == sim::TargetType::Pic16F877A ? value : stored & value);
        if (sim::NormalizeConfigWord(type_, word) != stored) {
            End(ExpectedEnd::VerifyError, ReferenceConfigVerifyMessage(word, stored));
            return false;
        }
        return true;
    }

    // False when the word reads back different: the run stops there.
    bool WriteProgram(std::uint16_t word) {
        ++result_.programWrites;
        const auto address = static_cast<std::uint16_t>(addressCounter_ & 0x1FFF);
        const bool shut = sim::IsCodeProtected(type_, result_.memory.ConfigWord(), address);
        std::uint16_t& cell = result_.memory.program[address];
        if (!shut) {
            cell = static_cast<std::uint16_t>(cell & word & sim::kWordMask);
        }
        const std::uint16_t readBack = shut ? 0 : cell;
        if (readBack != word) {
            End(ExpectedEnd::VerifyError, ReferenceVerifyMessage(addressCounter_));
            return false;
        }
        ++result_.increments;
        ++addressCounter_;
        return true;
    }

    std::string_view text_;
    std::int64_t last_;
    sim::TargetType type_;
    bool dry_;
    ReferenceResult result_;
    bool stopped_ = false;
    bool configMode_ = false;
    bool skipsIds_ = false;
    bool skipsEeprom_ = false;
    bool skipsSecondConfig_ = false;
    std::uint16_t addressCounter_ = 0;
};

std::string SkipWarning(bool ids, bool eeprom, bool secondConfig) {
    std::string warning;
    if (ids || eeprom) {
        std::string what = ids ? "ID locations (2000H-2003H)" : "";
        if (eeprom) {
            what += std::string(ids ? " and " : "") + "data EEPROM (2100H-21FFH)";
        }
        warning = "Warning: this command does not write the file's " + what + "; they are skipped";
    }
    if (secondConfig) {
        warning += std::string(warning.empty() ? "" : "\n") +
                   "Warning: the file's configuration word 2 (2008H) is not on this chip; it is "
                   "skipped";
    }
    return warning;
}

}  // namespace

const char* ExpectedEndName(ExpectedEnd end) {
    switch (end) {
        case ExpectedEnd::Completed:
            return "completed";
        case ExpectedEnd::NotIntelHex:
            return "not Intel HEX";
        case ExpectedEnd::VerifyError:
            return "verify error";
        case ExpectedEnd::ChecksumError:
            return "checksum error";
        case ExpectedEnd::EndOfText:
            return "end of text";
        case ExpectedEnd::RefusedRecord:
            return "refused record";
    }
    return "?";
}

std::uint16_t ReferenceWordCount(std::string_view text) {
    if (text.empty() || text[0] == '\r') {
        return 0;
    }
    std::uint16_t count = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (text[pos] != ':') {
            ++pos;
            continue;
        }
        const unsigned byteCount = Leading(text, pos + 1, 2);
        const unsigned wordAddress = Leading(text, pos + 3, 4) / 2;
        if (wordAddress < 0x2000 || wordAddress == 0x2007) {
            count = static_cast<std::uint16_t>(count + byteCount / 2);
        }
        if (text.substr(std::min(pos + 7, text.size()), 2) == "01") {
            break;  // the end record: what follows is no record
        }
        pos += 7;
    }
    return count;
}

ReferenceResult ReferenceProgramRun(std::string_view text, sim::TargetType type,
                                    const sim::ChipMemory& before) {
    Walk check(text, type, before, true);
    ReferenceResult checked = check.Run();
    if (checked.end != ExpectedEnd::Completed) {
        checked.refused = true;
        return checked;
    }
    ReferenceResult result = Walk(text, type, before, false).Run();
    result.warning = SkipWarning(check.SkipsIds(), check.SkipsEeprom(), check.SkipsSecondConfig());
    return result;
}

std::string ReferenceDownloadMessage(std::uint16_t wordCount) {
    return "Down load data " + std::to_string(wordCount) + " words complete";
}

namespace {

const char* const kVerifyHints =
    "\n\r1. Disconnect any load form Port RB3 RB6 RB7 \n\r"
    "2. Check sytem voltage supply 4.8-5.5 V inspected\n\r"
    "3. Check selected type 16F877 or 16f877A\n\r"
    "4. 16F877 may be FAIL or Damage or Wrong config";

}  // namespace

std::string ReferenceVerifyMessage(std::uint16_t address) {
    char head[40];
    std::snprintf(head, sizeof head, "Verify error ! at Address %04XH\n\r", unsigned{address});
    return std::string(head) + kVerifyHints;
}

std::string ReferenceConfigVerifyMessage(std::uint16_t expected, std::uint16_t read) {
    char head[96];
    std::snprintf(head, sizeof head,
                  "Verify error ! at Address 2007H: configuration word expected %04XH, read "
                  "%04XH\n\r",
                  unsigned{expected}, unsigned{read});
    return std::string(head) + kVerifyHints;
}

}  // namespace tallis::fuzz
