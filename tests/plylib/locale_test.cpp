// Numbers are read and written the same way whatever the process locale.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "ply_test_support.h"

namespace {

// Switches the process to a decimal-comma locale, if one is installed, and back.
class DecimalCommaLocale {
  public:
    DecimalCommaLocale() {
        const char *previous = std::setlocale(LC_ALL, nullptr);
        previous_ = previous ? previous : "C";
        for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                                 "ru_RU.UTF-8", "nl_NL.UTF-8", "German_Germany.1252", "de-DE"}) {
            if (std::setlocale(LC_ALL, name) && *std::localeconv()->decimal_point == ',') {
                active_ = true;
                return;
            }
        }
        std::setlocale(LC_ALL, previous_.c_str());
    }
    ~DecimalCommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    bool active() const { return active_; }

  private:
    std::string previous_;
    bool active_ = false;
};

TEST(PlyLocale, DecimalCommaLocaleChangesNothing) {
    DecimalCommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no decimal-comma locale is installed";

    std::string out;
    p_ply ply = plytest::create_in_string(&out, PLY_ASCII);
    ASSERT_EQ(ply_add_element(ply, "v", 1), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "x", PLY_FLOAT), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "y", PLY_DOUBLE), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    ASSERT_EQ(ply_write(ply, 0.5), 1);
    ASSERT_EQ(ply_write(ply, -1234.125), 1);
    ASSERT_EQ(ply_close(ply), 1);
    EXPECT_EQ(out.substr(out.find("end_header\n") + 11), "0.5 -1234.125\n");

    const plytest::ReadResult result = plytest::read_all(out);
    ASSERT_TRUE(result.read_ok);
    EXPECT_EQ(plytest::values_of(result.calls, "x"), std::vector<double>{0.5});
    EXPECT_EQ(plytest::values_of(result.calls, "y"), std::vector<double>{-1234.125});

    const plytest::ReadResult comma = plytest::read_all(
        "ply\nformat ascii 1.0\nelement v 1\nproperty float x\nend_header\n0,5\n");
    EXPECT_FALSE(comma.read_ok);
}

}  // namespace
