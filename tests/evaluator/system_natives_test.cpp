// The text, encoding and system natives called through their entries with
// cells built in C++: published digest and HMAC vectors, codec round trips,
// captured child output of several megabytes, the environment, the clock,
// transcode's modes and print's scratch block.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "datatypes/binary.h"
#include "datatypes/block.h"
#include "datatypes/date.h"
#include "datatypes/file.h"
#include "datatypes/map.h"
#include "datatypes/string_buffer.h"
#include "evaluator/actions.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "evaluator/natives_control_support.h"
#include "evaluator/natives_system.h"
#include "runtime/output_hooks.h"
#include "tests/boot/runtime_fixture.h"

extern char** environ;

namespace zep::testing {
namespace {

class SystemNatives : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        actions::register_table();
        natives::register_();
        interp::init();
    }
    void TearDown() override {
        interp::forget();
        natives::forget();
        RuntimeTest::TearDown();
    }

    // Calls the native with the argument cells (refinement arguments
    // included, in spec order) and the refinement positions. Its result,
    // like every value the helpers below make, stays alive until the test
    // ends.
    static Cell run(int32_t index, std::vector<Cell> args, std::vector<int32_t> refinements = {}) {
        Cell name = *words::global_word(words::global::anon);
        stack::mark_native(&name);
        for (Cell& a : args) stack::push(&a);
        natives::entry_at(index)(false, refinements.empty() ? nullptr : refinements.data());
        Cell result = *stack::base();
        stack::unwind_drop();
        return kept(result);
    }

    static Cell text(const std::string& s) {
        Cell c;
        string::load_encoded(reinterpret_cast<const unsigned char*>(s.data()),
                             static_cast<uint32_t>(s.size()), &c, string::encoding::utf8);
        return kept(c);
    }
    static Cell bytes(const std::string& s) {
        Cell c;
        binary::load_at(reinterpret_cast<const unsigned char*>(s.data()),
                        static_cast<uint32_t>(s.size()), &c);
        return kept(c);
    }
    static Cell file(const std::string& s) {
        gc::RootedCell c; // the loader grows the text it made in the cell
        file::load_at(reinterpret_cast<const unsigned char*>(s.data()), s.size(), c.get());
        return kept(*c);
    }
    static Cell word(const char* name) { return natives::control::global_word(name); }
    static Cell integer(int32_t n) {
        Cell c;
        value::set_integer(&c, n);
        return c;
    }
    static Cell none() {
        Cell c;
        value::set_none(&c);
        return c;
    }
    static std::string hex(const Cell& binary) {
        EXPECT_EQ(cell_type(&binary), type_id::binary);
        const unsigned char* p = binary::head_pointer(&binary);
        std::string out;
        static const char digits[] = "0123456789abcdef";
        for (uint32_t i = 0; i < binary::length_at(&binary); ++i) {
            out += digits[p[i] >> 4];
            out += digits[p[i] & 15];
        }
        return out;
    }
    static int32_t int_of(const Cell& c) {
        EXPECT_EQ(cell_type(&c), type_id::integer);
        return value::integer_of(&c);
    }
    static std::string str(const Cell& c) { return string::utf8_of(&c); }
    static std::string raw(const Cell& binary) {
        return std::string(reinterpret_cast<const char*>(binary::head_pointer(&binary)),
                           binary::length_at(&binary));
    }
};

TEST_F(SystemNatives, ChecksumsMatchPublishedVectors) {
    using natives::index::checksum;
    struct Case {
        const char* method;
        const char* digest;
    };
    const Case digests[] = {
        {"md5", "900150983cd24fb0d6963f7d28e17f72"},
        {"SHA1", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"sha256", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    };
    for (const Case& c : digests)
        EXPECT_EQ(hex(run(checksum, {text("abc"), word(c.method)})), c.digest);
    EXPECT_EQ(int_of(run(checksum, {text("abc"), word("crc32")})), 0x352441C2);
    Cell adler = run(checksum, {bytes("abc"), word("adler32")});
    EXPECT_EQ(value::integer_of(&adler), 0x024D0127);
    // RFC 4231 test case 2.
    Cell mac =
        run(checksum, {text("what do ya want for nothing?"), word("sha256"), text("Jefe")}, {2});
    EXPECT_EQ(hex(mac), "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    // A file! is read first.
    std::string path = ::testing::TempDir() + "zep_checksum_file";
    std::ofstream(path, std::ios::binary) << "abc";
    EXPECT_EQ(hex(run(checksum, {file(path), word("md5")})), digests[0].digest);
    std::remove(path.c_str());
}

TEST_F(SystemNatives, CompressionRoundTrips) {
    std::string data;
    for (int i = 0; i < 5000; ++i) data += "line " + std::to_string(i % 97) + "\n";
    for (const char* method : {"zlib", "deflate", "gzip"}) {
        Cell packed = run(natives::index::compress, {text(data), word(method)});
        ASSERT_EQ(cell_type(&packed), type_id::binary) << method;
        EXPECT_LT(binary::length_at(&packed), data.size() / 4) << method;
        // Without /size, with a size too small (measured) and a right one.
        EXPECT_EQ(raw(run(natives::index::decompress, {packed, word(method)})), data) << method;
        EXPECT_EQ(raw(run(natives::index::decompress, {packed, word(method), integer(10)}, {2})),
                  data);
        EXPECT_EQ(raw(run(natives::index::decompress,
                          {packed, word(method), integer(static_cast<int32_t>(data.size()))}, {2})),
                  data);
        // A size above the input length but below the output: a second pass.
        EXPECT_EQ(raw(run(natives::index::decompress,
                          {packed, word(method),
                           integer(static_cast<int32_t>(binary::length_at(&packed) + 1))},
                          {2})),
                  data);
    }
    // Incompressible input needs the second attempt with the encoder's size.
    std::string noise;
    uint32_t x = 1;
    for (int i = 0; i < 100000; ++i) noise += static_cast<char>((x = x * 1103515245 + 12345) >> 24);
    Cell packed = run(natives::index::compress, {bytes(noise), word("gzip")});
    EXPECT_EQ(raw(run(natives::index::decompress, {packed, word("gzip")})), noise);
}

TEST_F(SystemNatives, BaseAndPercentCodecs) {
    Cell encoded = run(natives::index::enbase, {text("hello")});
    EXPECT_EQ(string::utf8_of(&encoded), "aGVsbG8=");
    EXPECT_EQ(str(run(natives::index::enbase, {bytes("hello"), integer(16)}, {1})), "68656C6C6F");
    EXPECT_EQ(raw(run(natives::index::debase, {text("aGVsbG8=")})), "hello");
    EXPECT_EQ(raw(run(natives::index::debase, {text("68656c6c6f"), integer(16)}, {1})), "hello");
    Cell bad = run(natives::index::debase, {text("not base 64!")});
    EXPECT_EQ(cell_type(&bad), type_id::none);
    Cell decoded = run(natives::index::dehex, {text("a%20b%C3%A9")});
    EXPECT_EQ(string::utf8_of(&decoded), "a b\xC3\xA9");
    Cell percent = run(natives::index::enhex, {text("a b/c")});
    EXPECT_EQ(string::utf8_of(&percent), "a%20b%2Fc");
}

TEST_F(SystemNatives, CallCapturesMegabytesOfOutput) {
    using natives::index::call;
    // /wait /show /console /shell /input /output /error: positions of the
    // arguments after cmd.
    Cell out = text("kept:");
    Cell err = bytes("");
    Cell status =
        run(call, {text("head -c 3000000 /dev/zero | tr '\\0' x; echo done >&2; exit 7"), out, err},
            {-1, -1, -1, 1, -1, 1, 2});
    EXPECT_EQ(value::integer_of(&status), 7);
    std::string captured = string::utf8_of(&out);
    EXPECT_EQ(captured.size(), 5u + 3000000u);
    EXPECT_EQ(captured.substr(0, 6), "kept:x");
    EXPECT_EQ(raw(err), "done\n");
    // Input from a string, straight through cat.
    Cell echoed = text("");
    Cell fed = text("caf\xC3\xA9\n");
    status = run(call, {text("cat"), fed, echoed}, {1, -1, -1, -1, 1, 2, -1});
    EXPECT_EQ(value::integer_of(&status), 0);
    EXPECT_EQ(string::utf8_of(&echoed), "caf\xC3\xA9\n");
    // An empty command runs nothing.
    EXPECT_EQ(int_of(run(call, {text("")}, {-1, -1, -1, -1, -1, -1, -1})), 0);
}

TEST_F(SystemNatives, EnvironmentRoundTrip) {
    Cell name = text("ZEP_SYSTEM_TEST_VAR");
    run(natives::index::set_env, {name, text("v\xC3\xA9")});
    EXPECT_STREQ(std::getenv("ZEP_SYSTEM_TEST_VAR"), "v\xC3\xA9");
    Cell got = run(natives::index::get_env, {word("ZEP_SYSTEM_TEST_VAR")});
    EXPECT_EQ(string::utf8_of(&got), "v\xC3\xA9");
    Cell all = run(natives::index::list_env, {});
    ASSERT_EQ(cell_type(&all), type_id::map);
    int count = 0;
    for (char** e = environ; *e; ++e) ++count;
    EXPECT_EQ(map::count(&all), count);
    run(natives::index::set_env, {name, none()});
    EXPECT_EQ(std::getenv("ZEP_SYSTEM_TEST_VAR"), nullptr);
    Cell gone = run(natives::index::get_env, {name});
    EXPECT_EQ(cell_type(&gone), type_id::none);
}

TEST_F(SystemNatives, NowAndSizes) {
    std::vector<int32_t> none_given(10, -1);
    std::vector<int32_t> utc_year = none_given;
    utc_year[0] = 0;
    utc_year[9] = 0;
    time_t t = time(nullptr);
    tm parts{};
    gmtime_r(&t, &parts);
    Cell year = run(natives::index::now, {}, utc_year);
    EXPECT_EQ(value::integer_of(&year), parts.tm_year + 1900);
    std::vector<int32_t> date_only = none_given;
    date_only[5] = 0;
    Cell today = run(natives::index::now, {}, date_only);
    ASSERT_EQ(cell_type(&today), type_id::date);
    EXPECT_FALSE(date::has_time(date::packed_of(&today)));
    Cell whole = run(natives::index::now, {}, none_given);
    EXPECT_TRUE(date::has_time(date::packed_of(&whole)));

    std::string path = ::testing::TempDir() + "zep_size_file";
    std::ofstream(path, std::ios::binary) << std::string(12345, 'z');
    EXPECT_EQ(int_of(run(natives::index::is_size, {file(path)})), 12345);
    std::remove(path.c_str());
    for (const char* absent : {"/no/such/file", "/tmp/", "/tmp", "."}) {
        Cell size = run(natives::index::is_size, {file(absent)});
        EXPECT_EQ(cell_type(&size), type_id::none) << absent;
    }
}

TEST_F(SystemNatives, TranscodeModes) {
    using natives::index::transcode;
    // /next /one /prescan /scan /part /into /trace
    std::vector<int32_t> plain(7, -1);
    Cell all = run(transcode, {text("1 2 [a]")}, plain);
    ASSERT_EQ(cell_type(&all), type_id::block);
    EXPECT_EQ(block::length(&all), 3);
    std::vector<int32_t> next = plain;
    next[0] = 1;
    Cell step = run(transcode, {text("1 2")}, next);
    ASSERT_EQ(cell_type(&step), type_id::block);
    ASSERT_EQ(block::length(&step), 2);
    EXPECT_EQ(value::integer_of(block::cell_at(&step, 0)), 1);
    EXPECT_EQ(string::utf8_of(block::cell_at(&step, 1)), " 2");
    std::vector<int32_t> scan = plain;
    scan[3] = 1;
    Cell type = run(transcode, {text("12")}, scan);
    ASSERT_EQ(cell_type(&type), type_id::datatype);
    EXPECT_EQ(type.data1, type_id::integer);
    Cell nothing = run(transcode, {text("")}, scan);
    EXPECT_EQ(cell_type(&nothing), type_id::none);
    // A binary! source skips a byte-order mark; /part limits the scan.
    std::vector<int32_t> part = plain;
    part[4] = 1;
    Cell limited = run(transcode,
                       {bytes("\xEF\xBB\xBF"
                              "12 34"),
                        integer(5)},
                       part);
    ASSERT_EQ(block::length(&limited), 1);
    EXPECT_EQ(value::integer_of(block::cell_at(&limited, 0)), 12);
}

TEST_F(SystemNatives, PrintFormsThroughTheHooksAndRestoresTheScratchBlock) {
    static std::string printed;
    printed.clear();
    output::init_hooks();
    output::add_hooks(
        [](const output::TextView& view, bool new_line) {
            for (size_t i = 0; i < view.byte_length; i += view.unit_size) {
                uint32_t cp = 0;
                std::memcpy(&cp, static_cast<const char*>(view.units) + i, view.unit_size);
                printed += static_cast<char>(cp);
            }
            if (new_line) printed += "|";
        },
        nullptr);
    Cell* scratch = natives::print_scratch();
    ASSERT_EQ(cell_type(scratch), type_id::block);
    int32_t scratch_length = block::length(scratch);
    Cell made;
    block::make_at(&made, 3);
    Cell items = kept(made);
    Cell first = text("a"), second = integer(2);
    block::append_value(&items, &first);
    block::append_value(&items, &second);
    run(natives::index::print, {items});
    run(natives::index::prin, {text("x")});
    run(natives::index::prin, {integer(42)});
    EXPECT_EQ(printed, "a 2|x42");
    EXPECT_EQ(natives::last_new_line, 0);
    EXPECT_EQ(block::length(scratch), scratch_length);
    output::init_hooks();
}

} // namespace
} // namespace zep::testing
