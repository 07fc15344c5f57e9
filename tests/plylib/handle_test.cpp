// What every handle shares: the default error callback, misuse of a reader as a writer and back,
// null handles, and user data.
#include <gtest/gtest.h>

#include <string>

#include "ply_test_support.h"

namespace {

using plytest::errors;
using plytest::log_error;

const std::string kSmall = "ply\nformat ascii 1.0\nelement v 1\nproperty int x\nend_header\n1\n";

TEST(PlyHandle, DefaultErrorCallbackWritesToStandardError) {
    const std::string bytes = "plx\n";
    p_ply ply = ply_open_memory(bytes.data(), bytes.size(), nullptr, 0, nullptr);
    ASSERT_NE(ply, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ply_read_header(ply), 0);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "RPly: Bad magic number (expected 'ply')\n");
    EXPECT_EQ(ply_close(ply), 1);
}

TEST(PlyHandle, AReaderDoesNotWrite) {
    errors().clear();
    p_ply ply = ply_open_memory(kSmall.data(), kSmall.size(), log_error, 0, nullptr);
    ASSERT_EQ(ply_read_header(ply), 1);
    EXPECT_EQ(ply_add_element(ply, "e", 1), 0);
    EXPECT_EQ(ply_add_scalar_property(ply, "p", PLY_INT), 0);
    EXPECT_EQ(ply_add_list_property(ply, "l", PLY_UCHAR, PLY_INT), 0);
    EXPECT_EQ(ply_add_comment(ply, "c"), 0);
    EXPECT_EQ(ply_add_obj_info(ply, "o"), 0);
    EXPECT_EQ(ply_write_header(ply), 0);
    EXPECT_EQ(ply_write(ply, 1), 0);
    EXPECT_EQ(errors().size(), 7u);
    EXPECT_EQ(errors()[0], "This handle was opened for reading, not writing");
    EXPECT_EQ(ply_read(ply), 1);  // still a good reader
    EXPECT_EQ(ply_close(ply), 1);
}

TEST(PlyHandle, AWriterDoesNotRead) {
    std::string out;
    p_ply ply = plytest::create_in_string(&out, PLY_ASCII);
    EXPECT_EQ(ply_read_header(ply), 0);
    EXPECT_EQ(ply_set_read_cb(ply, "v", "x", plytest::record_call, nullptr, 0), 0);
    EXPECT_EQ(ply_read(ply), 0);
    EXPECT_EQ(errors().size(), 3u);
    EXPECT_EQ(errors()[0], "This handle was created for writing, not reading");
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(out, "");
}

TEST(PlyHandle, CallbacksAreSetAfterTheHeader) {
    errors().clear();
    p_ply ply = ply_open_memory(kSmall.data(), kSmall.size(), log_error, 0, nullptr);
    EXPECT_EQ(ply_set_read_cb(ply, "v", "x", plytest::record_call, nullptr, 0), 0);
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(ply_close(ply), 1);
}

TEST(PlyHandle, NullHandlesAndArgumentsGiveZero) {
    EXPECT_EQ(ply_read_header(nullptr), 0);
    EXPECT_EQ(ply_read(nullptr), 0);
    EXPECT_EQ(ply_set_read_cb(nullptr, "v", "x", plytest::record_call, nullptr, 0), 0);
    EXPECT_EQ(ply_add_element(nullptr, "v", 1), 0);
    EXPECT_EQ(ply_write_header(nullptr), 0);
    EXPECT_EQ(ply_write(nullptr, 1), 0);
    EXPECT_EQ(ply_close(nullptr), 0);
    EXPECT_EQ(ply_get_ply_user_data(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ply_get_argument_value(nullptr), 0.0);
    EXPECT_EQ(ply_get_argument_property(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ply_get_argument_element(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ply_get_argument_user_data(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ply_get_next_element(nullptr, nullptr), nullptr);
    EXPECT_EQ(ply_get_next_property(nullptr, nullptr), nullptr);
    EXPECT_EQ(ply_get_element_info(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ply_get_property_info(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ply_get_next_comment(nullptr, nullptr), nullptr);
    EXPECT_EQ(ply_get_next_obj_info(nullptr, nullptr), nullptr);
}

TEST(PlyHandle, CreateWithoutSinkFails) {
    errors().clear();
    EXPECT_EQ(ply_create_sink(nullptr, nullptr, PLY_ASCII, log_error, 0, nullptr), nullptr);
    EXPECT_EQ(errors().size(), 1u);
}

TEST(PlyHandle, WriterUserData) {
    int anchor = 0;
    std::string out;
    p_ply ply = ply_create_sink([](void *, const void *, std::size_t) { return 1; }, &out,
                                PLY_ASCII, log_error, -3, &anchor);
    void *pdata = nullptr;
    long idata = 0;
    EXPECT_EQ(ply_get_ply_user_data(ply, &pdata, &idata), 1);
    EXPECT_EQ(pdata, &anchor);
    EXPECT_EQ(idata, -3);
    EXPECT_EQ(ply_close(ply), 1);
}

}  // namespace
