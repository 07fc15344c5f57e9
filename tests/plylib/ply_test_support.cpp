#include "ply_test_support.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>

namespace plytest {

std::vector<std::string> &errors() {
    static std::vector<std::string> log;
    return log;
}

void log_error(p_ply, const char *message) {
    errors().emplace_back(message);
}

int record_call(p_ply_argument argument) {
    Call call;
    p_ply_element element = nullptr;
    p_ply_property property = nullptr;
    void *pdata = nullptr;
    const char *name = nullptr;
    ply_get_argument_element(argument, &element, &call.instance);
    ply_get_argument_property(argument, &property, &call.length, &call.index);
    ply_get_argument_user_data(argument, &pdata, &call.idata);
    ply_get_element_info(element, &name, nullptr);
    call.element = name;
    ply_get_property_info(property, &name, nullptr, nullptr, nullptr);
    call.property = name;
    call.value = ply_get_argument_value(argument);
    static_cast<std::vector<Call> *>(pdata)->push_back(call);
    return 1;
}

namespace {

ReadResult read_handle(p_ply ply) {
    ReadResult result;
    if (!ply) {
        result.errors = errors();
        return result;
    }
    result.header_ok = ply_read_header(ply) == 1;
    if (result.header_ok) {
        for (p_ply_element element = ply_get_next_element(ply, nullptr); element;
             element = ply_get_next_element(ply, element)) {
            const char *element_name = nullptr;
            ply_get_element_info(element, &element_name, nullptr);
            for (p_ply_property property = ply_get_next_property(element, nullptr); property;
                 property = ply_get_next_property(element, property)) {
                const char *property_name = nullptr;
                ply_get_property_info(property, &property_name, nullptr, nullptr, nullptr);
                ply_set_read_cb(ply, element_name, property_name, record_call, &result.calls, 7);
            }
        }
        result.read_ok = ply_read(ply) == 1;
    }
    ply_close(ply);
    result.errors = errors();
    return result;
}

}  // namespace

ReadResult read_all(const std::string &bytes) {
    errors().clear();
    return read_handle(ply_open_memory(bytes.data(), bytes.size(), log_error, 0, nullptr));
}

ReadResult read_file(const std::filesystem::path &path) {
    errors().clear();
    return read_handle(ply_open(path.string().c_str(), log_error, 0, nullptr));
}

std::vector<double> values_of(const std::vector<Call> &calls, const std::string &property) {
    std::vector<double> values;
    for (const Call &call : calls) {
        if (call.property == property) values.push_back(call.value);
    }
    return values;
}

namespace {

int append_to_string(void *sink, const void *data, std::size_t size) {
    static_cast<std::string *>(sink)->append(static_cast<const char *>(data), size);
    return 1;
}

}  // namespace

p_ply create_in_string(std::string *out, e_ply_storage_mode mode) {
    errors().clear();
    return ply_create_sink(append_to_string, out, mode, log_error, 0, nullptr);
}

Scratch::Scratch() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    path = std::filesystem::temp_directory_path() /
           ("plylib-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path);
}

Scratch::~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

void write_file(const std::filesystem::path &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_whole_file(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace plytest
