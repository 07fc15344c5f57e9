// One table says what every result means: the README's results table must say the same, row for
// row, and every command of the stand-in host must print those words next to its number.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "entry/result_meanings.h"
#include "support/programs.h"
#include "support/test_files.h"

namespace tolvane::test {
namespace {

struct ReadmeRow {
    std::string export_name, result, meaning;
};

std::string without_backticks(std::string_view text) {
    std::string plain;
    for (const char c : text) {
        if (c != '`') plain += c;
    }
    return plain;
}

std::vector<std::string> cells(std::string_view line) {
    std::vector<std::string> found;
    line.remove_prefix(1);  // the opening '|'
    for (std::size_t bar; (bar = line.find('|')) != std::string_view::npos;) {
        std::string_view cell = line.substr(0, bar);
        while (cell.starts_with(' ')) cell.remove_prefix(1);
        while (cell.ends_with(' ')) cell.remove_suffix(1);
        found.push_back(without_backticks(cell));
        line.remove_prefix(bar + 1);
    }
    return found;
}

// The rows of the table under "### Results"; a row with an empty export cell continues the
// export above it.
std::vector<ReadmeRow> readme_results(const std::string &readme) {
    std::vector<ReadmeRow> rows;
    std::size_t at = readme.find("\n### Results\n");
    if (at == std::string::npos) return rows;
    at = readme.find("\n|", at);
    bool header = true;
    while (at != std::string::npos && at + 1 < readme.size() && readme[at + 1] == '|') {
        const std::size_t end = readme.find('\n', at + 1);
        const std::vector<std::string> row = cells(std::string_view(readme).substr(
            at + 1, (end == std::string::npos ? readme.size() : end) - at - 1));
        at = end;
        if (header || row.empty() || row[0].starts_with("---")) {
            header = false;
            continue;
        }
        EXPECT_EQ(row.size(), 3u) << row[0];
        if (row.size() != 3) continue;
        const std::string name = row[0].empty() && !rows.empty() ? rows.back().export_name : row[0];
        rows.push_back({name, row[1], row[2]});
    }
    return rows;
}

TEST(ResultWords, ReadmeTableIsTheTableInCode) {
    const std::vector<ReadmeRow> readme = readme_results(read_bytes(TOLVANE_README));
    ASSERT_EQ(readme.size(), entry::kResultMeanings.size());
    for (std::size_t i = 0; i < readme.size(); ++i) {
        const entry::ResultMeaning &row = entry::kResultMeanings[i];
        SCOPED_TRACE(readme[i].export_name + " " + readme[i].result);
        EXPECT_EQ(readme[i].export_name, row.export_name);
        EXPECT_EQ(readme[i].result, row.result);
        EXPECT_EQ(readme[i].meaning, row.meaning);
        float number = 0.0f;
        EXPECT_TRUE(entry::result_number(row, number) || row.result == "the tag found");
    }
}

TEST(ResultWords, EveryCommandExplainsItsResults) {
    if (stand_in_host().empty()) GTEST_SKIP() << "the stand-in host is not built beside the tests";
    ScratchFolder folder;
    const std::string missing = folder.file("missing");
    std::filesystem::create_directory(folder.path / "empty");
    const struct {
        std::string arguments;
        const char *export_name;
        float result;
        bool pointers_given;
        const char *also = "";
    } cases[] = {
        {"version", "Version", 1.6f, true},
        {"--version", "Version", 1.6f, true, "tolvane 1.6 (stand-in host)"},
        {"import " + missing + " " + folder.file("out.vyn"), "PLYImport", -1.0f, true},
        {"call PLYImport --null", "PLYImport", -1.0f, false},
        {"export " + missing + " " + folder.file("out.ply"), "PLYExport", -1760.0f, true},
        {"ls " + missing, "OpenFolder", -1.0f, true},
        {"ls " + folder.file("empty"), "GetFile", -3.0f, true},
        {"call GetFile", "GetFile", -1.0f, false},
        {"call CloseFolder", "CloseFolder", -1.0f, false},
        {"empty " + missing, "EmptyFolder", -1.0f, true},
        {"rm " + missing, "FileDelete", -1.0f, true},
        {"mv " + missing + " " + folder.file("new"), "FileRename", -1.0f, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments);
        const HostRun run = run_stand_in_host(folder, c.arguments);
        const std::string_view words =
            entry::result_meaning(c.export_name, c.result, c.pointers_given);
        const std::string expected = std::string(c.export_name) + " returned " +
                                     (c.result == 1.6f ? "1.6" : std::to_string(int(c.result))) +
                                     ": " + std::string(words);
        EXPECT_NE(run.text.find(expected), std::string::npos) << run.text;
        EXPECT_NE(run.text.find(c.also), std::string::npos) << run.text;
    }
}

}  // namespace
}  // namespace tolvane::test
