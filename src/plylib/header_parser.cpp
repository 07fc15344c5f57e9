#include "plylib/header_parser.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "plylib/ascii_numbers.h"
#include "plylib/handle.h"
#include "plylib/types.h"

namespace plylib {
namespace {

inline bool is_header_blank(char c) {
    return c == ' ' || c == '\t';
}

// The first words of a line; one more than the longest line form needs, so that an extra word
// is seen without storing words from a line of any length.
struct Words {
    static constexpr std::size_t kMax = 6;
    std::string_view word[kMax];
    std::size_t count = 0;
    std::size_t first_end = 0;  // offset just past the first word
};

Words split(std::string_view line) {
    Words words;
    std::size_t i = 0;
    while (words.count < Words::kMax) {
        while (i < line.size() && is_header_blank(line[i])) ++i;
        if (i == line.size()) break;
        const std::size_t start = i;
        while (i < line.size() && !is_header_blank(line[i])) ++i;
        words.word[words.count++] = line.substr(start, i - start);
        if (words.count == 1) words.first_end = i;
    }
    return words;
}

class HeaderParser {
  public:
    explicit HeaderParser(t_ply_ &ply) : ply_(ply), source_(*ply.source) {}

    bool run() {
        if (!read_magic()) return false;
        if (!read_format()) return false;
        for (;;) {
            if (!next_nonblank_line()) return false;
            if (words_.word[0] == "end_header") {
                if (!expect_count(1)) return false;
                return true;
            }
            if (words_.word[0] == "comment" || words_.word[0] == "obj_info") {
                auto &texts = words_.word[0] == "comment" ? ply_.comments : ply_.obj_infos;
                texts.emplace_back(text_after_keyword());
            } else if (words_.word[0] == "element") {
                if (!read_element()) return false;
            } else if (words_.word[0] == "property") {
                if (!read_property()) return false;
            } else {
                return unexpected(words_.word[0], "");
            }
        }
    }

  private:
    enum class LineRead { line, end, error };

    // The next line without its LF (and without a CR just before the LF). A last line without
    // a line end counts as a line. The line grows only with bytes actually read.
    LineRead next_line() {
        line_.clear();
        ended_by_file_end_ = false;
        bool any = false;
        for (;;) {
            if (source_.cur == source_.end && !source_.refill()) {
                if (source_.read_failed()) return LineRead::error;
                if (!any) return LineRead::end;
                ended_by_file_end_ = true;
                break;
            }
            any = true;
            const auto *start = source_.cur;
            const auto *lf = static_cast<const unsigned char *>(
                std::memchr(start, '\n', static_cast<std::size_t>(source_.end - start)));
            if (lf) {
                line_.append(reinterpret_cast<const char *>(start),
                             static_cast<std::size_t>(lf - start));
                source_.cur = lf + 1;
                if (!line_.empty() && line_.back() == '\r') line_.pop_back();
                break;
            }
            line_.append(reinterpret_cast<const char *>(start),
                         static_cast<std::size_t>(source_.end - start));
            source_.cur = source_.end;
        }
        ++line_number_;
        return LineRead::line;
    }

    // The next line into line_; a header may not end before "end_header".
    bool read_header_line() {
        switch (next_line()) {
            case LineRead::end:
                return fail("Unexpected end of file in header");
            case LineRead::error:
                return fail("Error reading file in header");
            case LineRead::line:
                break;
        }
        return true;
    }

    // The next line that has a word, split into words_; blank lines are passed over.
    bool next_nonblank_line() {
        for (;;) {
            if (!read_header_line()) return false;
            words_ = split(line_);
            if (words_.count == 0) continue;
            // A cut-off file: only "end_header" may end without a line end.
            if (ended_by_file_end_ && words_.word[0] != "end_header")
                return fail("Unexpected end of file in header");
            return true;
        }
    }

    bool read_magic() {
        char magic[3];
        if (!source_.read(magic, sizeof magic)) {
            if (source_.read_failed()) return fail("Error reading file in header");
            return fail("Bad magic number (expected 'ply')");
        }
        if (std::memcmp(magic, "ply", 3) != 0) return fail("Bad magic number (expected 'ply')");
        if (!read_header_line()) return false;
        // Only blanks may follow "ply" on its line.
        words_ = split(line_);
        if (words_.count > 0) return fail("Bad magic number (expected 'ply')");
        return true;
    }

    bool read_format() {
        if (!next_nonblank_line()) return false;
        if (words_.word[0] != "format") return unexpected(words_.word[0], "expected 'format'");
        if (!expect_words(3)) return false;
        const std::string_view mode = words_.word[1];
        if (mode == "ascii") {
            ply_.storage_mode = PLY_ASCII;
        } else if (mode == "binary_little_endian") {
            ply_.storage_mode = PLY_LITTLE_ENDIAN;
        } else if (mode == "binary_big_endian") {
            ply_.storage_mode = PLY_BIG_ENDIAN;
        } else {
            return unexpected(mode,
                              "expected 'ascii', 'binary_little_endian' or 'binary_big_endian'");
        }
        if (words_.word[2] != "1.0") return unexpected(words_.word[2], "expected version '1.0'");
        return expect_count(3);
    }

    bool read_element() {
        if (!expect_words(3) || !expect_count(3)) return false;
        const std::string_view count_word = words_.word[2];
        std::int64_t count = 0;
        if (parse_integer(count_word.data(), count_word.data() + count_word.size(), 0, INT64_MAX,
                          &count) != NumberStatus::ok) {
            return fail("Invalid element count " + quote(count_word) + where());
        }
        t_ply_element_ &element = ply_.elements.emplace_back();
        element.name = words_.word[1];
        element.ninstances = count;
        element.index = ply_.elements.size() - 1;
        return true;
    }

    bool read_property() {
        if (ply_.elements.empty()) return fail("Property before any element" + where());
        if (!expect_words(2)) return false;
        t_ply_property_ property;
        if (words_.word[1] == "list") {
            if (!expect_words(5) || !expect_count(5)) return false;
            if (!parse_type(words_.word[2], &property.length_type) ||
                !parse_type(words_.word[3], &property.value_type))
                return false;
            property.type = PLY_LIST;
            property.name = words_.word[4];
        } else {
            if (!expect_words(3) || !expect_count(3)) return false;
            if (!parse_type(words_.word[1], &property.type)) return false;
            property.length_type = property.value_type = property.type;
            property.name = words_.word[2];
        }
        t_ply_element_ &element = ply_.elements.back();
        property.element = &element;
        property.index = element.properties.size();
        element.properties.push_back(std::move(property));
        return true;
    }

    bool parse_type(std::string_view word, e_ply_type *type) {
        if (parse_scalar_type_word(word, type)) return true;
        return unexpected(word, "expected a type");
    }

    // The text of a comment or obj_info line: everything after the keyword and one blank.
    std::string_view text_after_keyword() const {
        std::string_view rest = std::string_view(line_).substr(words_.first_end);
        if (!rest.empty() && is_header_blank(rest.front())) rest.remove_prefix(1);
        return rest;
    }

    // At least `count` words on the line.
    bool expect_words(std::size_t count) {
        if (words_.count >= count) return true;
        return fail("Unexpected end of line" + where());
    }
    // No more than `count` words on the line.
    bool expect_count(std::size_t count) {
        if (words_.count <= count) return true;
        return unexpected(words_.word[count], "expected end of line");
    }

    std::string where() const { return " in header line " + std::to_string(line_number_); }

    bool unexpected(std::string_view token, const char *expected) {
        std::string message = "Unexpected token " + quote(token) + where();
        if (*expected) message += std::string(" (") + expected + ")";
        return fail(message);
    }

    bool fail(const std::string &message) {
        ply_.error(message);
        return false;
    }

    t_ply_ &ply_;
    ByteSource &source_;
    std::string line_;
    bool ended_by_file_end_ = false;
    Words words_;
    long line_number_ = 0;
};

}  // namespace

bool parse_header(p_ply ply) {
    if (!HeaderParser(*ply).run()) return false;
    for (t_ply_element_ &element : ply->elements) {
        for (t_ply_property_ &property : element.properties) {
            property.length_size = scalar_size(canonical(property.length_type));
            property.value_size = scalar_size(canonical(property.value_type));
        }
    }
    return true;
}

}  // namespace plylib
