// The production log: its lines read back field by field, in both formats,
// and the file's own SHA-256.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "app/ProductionLog.h"
#include "app/Sha256.h"

namespace tallis {
namespace {

TEST(Sha256, MatchesTheStandardsExamples) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// A flat JSON object of strings, numbers and nulls, as the log writes it.
std::map<std::string, std::string> ParseJsonLine(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::size_t at = 1;
    auto readString = [&] {
        std::string text;
        for (++at; line[at] != '"'; ++at) {
            if (line[at] == '\\') {
                ++at;
            }
            text += line[at];
        }
        ++at;
        return text;
    };
    EXPECT_EQ(line.front(), '{');
    while (line[at] == '"') {
        const std::string key = readString();
        EXPECT_EQ(line[at++], ':') << line;
        std::string value;
        if (line[at] == '"') {
            value = readString();
        } else {
            const std::size_t end = line.find_first_of(",}", at);
            value = "#" + line.substr(at, end - at);  // a bare number or null
            at = end;
        }
        fields[key] = value;
        if (line[at] == ',') {
            ++at;
        }
    }
    EXPECT_EQ(line.substr(at), "}") << line;
    return fields;
}

std::vector<std::string> ParseCsvLine(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

ChipLogEntry FailedChip() {
    return {.time = UtcTimestamp(std::chrono::system_clock::time_point{}),
            .board = "default",
            .port = "lpt1 (0x378)",
            .chip = 2,
            .device = "PIC16F877A",
            .revision = 1,
            .file = "fw \"v2\", final.hex",
            .sha256 = std::string(64, 'a'),
            .serial = 1005,
            .checksum = "0115",
            .passed = false,
            .problem = "the PIC16F877A does not hold what was written",
            .firstDifference = "program memory 0x0005: expected 0x1683, read 0x3FFF",
            .durationS = 0.5204};
}

std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class ProductionLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tallis-log-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(ProductionLogTest, JsonLinesReadBackFieldByField) {
    const std::filesystem::path path = dir_ / "log.jsonl";
    for (int run = 0; run < 2; ++run) {  // a second run appends
        ProductionLog log;
        ASSERT_EQ(log.Open(path, LogFormat::JsonLines), "");
        ChipLogEntry entry = FailedChip();
        entry.chip = static_cast<unsigned>(run + 1);
        ASSERT_EQ(log.Append(entry), "");
    }
    const std::vector<std::string> lines = FileLines(path);
    ASSERT_EQ(lines.size(), 2U);
    const auto fields = ParseJsonLine(lines[1]);
    EXPECT_EQ(fields.at("time"), "1970-01-01T00:00:00Z");
    EXPECT_EQ(fields.at("chip"), "#2");
    EXPECT_EQ(fields.at("port"), "lpt1 (0x378)");
    EXPECT_EQ(fields.at("device"), "PIC16F877A");
    EXPECT_EQ(fields.at("revision"), "#1");
    EXPECT_EQ(fields.at("file"), "fw \"v2\", final.hex");
    EXPECT_EQ(fields.at("serial"), "#1005");
    EXPECT_EQ(fields.at("checksum"), "0115");
    EXPECT_EQ(fields.at("result"), "failed");
    EXPECT_EQ(fields.at("first_difference"), "program memory 0x0005: expected 0x1683, read 0x3FFF");
    EXPECT_EQ(fields.at("duration_s"), "#0.520");

    ChipLogEntry passed = FailedChip();
    passed.passed = true;
    passed.serial.reset();
    passed.firstDifference.reset();
    const auto passedFields =
        ParseJsonLine(LogLine(passed, LogFormat::JsonLines)
                          .substr(0, LogLine(passed, LogFormat::JsonLines).size() - 1));
    EXPECT_EQ(passedFields.at("serial"), "#null");
    EXPECT_EQ(passedFields.at("result"), "passed");
}

TEST_F(ProductionLogTest, CsvHasItsHeaderOnceAndQuotesWhatNeedsIt) {
    const std::filesystem::path path = dir_ / "log.csv";
    for (int run = 0; run < 2; ++run) {
        ProductionLog log;
        ASSERT_EQ(log.Open(path, LogFormat::Csv), "");
        ASSERT_EQ(log.Append(FailedChip()), "");
    }
    const std::vector<std::string> lines = FileLines(path);
    ASSERT_EQ(lines.size(), 3U);
    const std::vector<std::string> header = ParseCsvLine(lines[0]);
    const std::vector<std::string> row = ParseCsvLine(lines[2]);
    ASSERT_EQ(row.size(), header.size());
    std::map<std::string, std::string> fields;
    for (std::size_t i = 0; i < header.size(); ++i) {
        fields[header[i]] = row[i];
    }
    EXPECT_EQ(fields["file"], "fw \"v2\", final.hex");
    EXPECT_EQ(fields["serial"], "1005");
    EXPECT_EQ(fields["result"], "failed");
    EXPECT_EQ(fields["first_difference"], "program memory 0x0005: expected 0x1683, read 0x3FFF");
}

TEST_F(ProductionLogTest, RefusesALogItCannotWrite) {
    ProductionLog log;
    EXPECT_NE(log.Open(dir_ / "missing" / "log.jsonl", LogFormat::JsonLines), "");
}

}  // namespace
}  // namespace tallis
