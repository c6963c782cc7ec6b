// url!, file! and issue!: decoding and notation, joining path steps, the
// platform form of files, the I/O seams, and issue making and comparison.
#include <gtest/gtest.h>

#include "datatypes/file.h"
#include "datatypes/issue.h"
#include "datatypes/url.h"
#include "evaluator/compiled_support.h"
#include "tests/datatypes/path_fixture.h"

namespace zep {
namespace {

using error::Category;

class UrlFileTest : public testing::PathTypesTest {
  protected:
    void TearDown() override {
        url::request = nullptr;
        file::io::read_file = nullptr;
        PathTypesTest::TearDown();
    }
    static Cell url_of(const std::string& notation) {
        gc::RootedCell cell; // the loader grows the text it made in the cell
        url::load_at(reinterpret_cast<const unsigned char*>(notation.data()), notation.size(),
                     cell.get());
        return testing::kept(*cell);
    }
};

TEST_F(UrlFileTest, UrlTextIsDecodedAndMoldsBackEncoded) {
    struct Case {
        const char* notation;
        const char* decoded;
        const char* molded;
    };
    const Case cases[] = {
        {"http://a.com/x%20y", "http://a.com/x y", "http://a.com/x%20y"},
        {"a/%C3%A9", "a/\u00e9", "a/%C3%A9"},
        {"100%", "100%", "100%25"},           // a stray percent stays
        {"%zz%4", "%zz%4", "%25zz%254"},      // not escapes
        {"%C3x", "%C3x", "%25C3x"},           // an incomplete sequence
        {"%A9", "\u00a9", "%C2%A9"},          // a lone byte is a code point
        {"%E9", "%E9", "%25E9"},              // a lead byte without its sequence
        {"%e2%82%ac", "\u20ac", "%E2%82%AC"}, // lower-case digits
        {"q?a=1&b=2#f", "q?a=1&b=2#f", "q?a=1&b=2#f"},
    };
    for (const Case& c : cases) {
        Cell u = url_of(c.notation);
        EXPECT_EQ(cell_type(&u), type_id::url);
        EXPECT_EQ(utf8(u), c.decoded) << c.notation;
        EXPECT_EQ(mold(u), c.molded) << c.notation;
    }
    EXPECT_EQ(mold(url_of("a%20b"), false, false, 4), "a%20");
    std::string bad = "a\xff";
    EXPECT_EQ(raised([&] { url_of(bad); }), code(Category::access, "invalid-utf8"));
}

TEST_F(UrlFileTest, MakeUrlFromBlockOfParts) {
    Cell* block = stack::push_slot();
    value::set_series(block, type_id::block, series::alloc_cells(4));
    Cell parts[] = {word_of("http"), word_of("example.com"), word_of("dir"), word_of("frag")};
    parts[3].header = type_id::issue;
    for (Cell& p : parts) *block::alloc_tail_cell(block) = p;
    Cell result;
    url::to(&result, block, type_id::url);
    EXPECT_EQ(cell_type(&result), type_id::url);
    EXPECT_EQ(utf8(result), "http://example.com/dir#frag");
    value::set_series(block, type_id::block, series::alloc_cells(1));
    *block::alloc_tail_cell(block) = parts[0];
    EXPECT_EQ(raised([&] { url::to(&result, block, type_id::url); }),
              code(Category::script, "bad-to-arg"));
}

TEST_F(UrlFileTest, PathStepsJoinWithOneSlashAndKeepTheType) {
    struct Case {
        const char* base;
        uint8_t type;
        Cell step;
        const char* joined;
    };
    const Case cases[] = {
        {"http://a.com", type_id::url, word_of("b"), "http://a.com/b"},
        {"http://a.com/", type_id::url, word_of("b"), "http://a.com/b"},
        {"dir/", type_id::file, word_of("x"), "dir/x"},
        {"dir", type_id::file, word_of("x"), "dir/x"},
    };
    for (const Case& c : cases) {
        Cell made = text(c.base, c.type);
        Cell* base = stack::push(&made);
        Cell* joined = url::eval_path(base, &c.step, nullptr, nullptr, false);
        EXPECT_EQ(cell_type(joined), c.type) << c.base;
        EXPECT_EQ(utf8(*joined), c.joined);
    }
    Cell base = text("dir", type_id::file);
    Cell step = word_of("x");
    EXPECT_EQ(raised([&] { url::eval_path(&base, &step, &step, nullptr, false); }),
              code(Category::script, "bad-path-set"));
    auto slot = actions::slot_as<EvalPathFn>(type_id::file, action_slot::eval_path);
    EXPECT_EQ(slot, &url::eval_path);
}

TEST_F(UrlFileTest, FileNotationQuotesAndEscapesWhatWouldNotLoadBack) {
    struct Case {
        const char* text;
        const char* molded;
    };
    const Case cases[] = {
        {"dir/file.txt", "%dir/file.txt"},
        {"", "%\"\""},
        {"a b", "%\"a b\""},
        {"50%", "%\"50%\""}, // unquoted, "%" would start an escape
        {"x;y", "%\"x;y\""},
        {"q\"t^", "%\"q^\"t^^\""},
        {"l\nf", "%\"l^/f\""},
        {"\u00e9t\u00e9/~a", "%\u00e9t\u00e9/~a"},
    };
    for (const Case& c : cases) EXPECT_EQ(mold(text(c.text, type_id::file)), c.molded) << c.text;
}

TEST_F(UrlFileTest, LocalPathIsTheTextOnLinux) {
    auto local = [&](const char* t, bool with_dir) {
        Cell* out = stack::push_slot();
        string::make_at(out, 8);
        Cell f = text(t, type_id::file);
        file::to_local_path(&f, out, with_dir);
        return utf8(*out);
    };
    EXPECT_EQ(local("/c/x", true), "/c/x");
    EXPECT_EQ(local("dir/x", false), "dir/x");
    Cell* dir = file::get_current_dir();
    std::string cwd = utf8(*dir);
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(cwd.back(), '/');
    EXPECT_EQ(local("dir/x", true), cwd + "dir/x");
    Cell f = text("a/b", type_id::file);
    EXPECT_EQ(file::to_local_cstring(&f), "a/b");
    Cell nul = text(std::string("a\0b", 3), type_id::file);
    EXPECT_EQ(raised([&] { file::to_local_cstring(&nul); }), code(Category::script, "invalid-arg"));
}

// What the seams saw.
struct Seen {
    std::string method;
    uint8_t body_type = 0;
    bool headers = false;
};
Seen seen;
bool answer = true;

TEST_F(UrlFileTest, ReadAndWriteGoThroughTheSeams) {
    Cell u = url_of("http://h/x");
    EXPECT_EQ(raised([&] { url::read(&u, nullptr, nullptr, false, false, false, nullptr); }),
              code(Category::internal, "not-done"));
    url::request = [](const Cell*, const Cell* method, const Cell* headers, const Cell* body, bool,
                      bool, bool, Cell* result) {
        seen = {symbol::utf8_text(value::word_symbol(method)), body ? cell_type(body) : uint8_t{0},
                headers != nullptr};
        value::set_logic(result, true);
        return answer;
    };
    url::read(&u, nullptr, nullptr, false, false, false, nullptr);
    EXPECT_EQ(seen.method, "get");
    Cell seek;
    value::set_integer(&seek, 1);
    EXPECT_EQ(raised([&] { url::read(&u, nullptr, &seek, false, false, false, nullptr); }),
              code(Category::internal, "not-done"));

    Cell body = text("payload");
    url::write(&u, &body, false, false, false, false, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(seen.method, "post");
    EXPECT_EQ(seen.body_type, type_id::string);

    Cell* request = stack::push_slot();
    value::set_none(request);
    value::set_series(request, type_id::block, series::alloc_cells(3));
    Cell* headers = stack::push_slot();
    value::set_none(headers);
    value::set_series(headers, type_id::block, series::alloc_cells(1));
    Cell method = word_of("PUT");
    block::append_value(request, &method);
    block::append_value(request, headers);
    block::append_value(request, &body);
    url::write(&u, request, false, false, false, false, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(seen.method, "PUT");
    EXPECT_TRUE(seen.headers);

    Cell number;
    value::set_integer(&number, 5);
    EXPECT_EQ(raised([&] {
                  url::write(&u, &number, false, false, false, false, nullptr, nullptr, nullptr,
                             nullptr);
              }),
              code(Category::script, "invalid-arg"));
    answer = false;
    EXPECT_EQ(raised([&] { url::read(&u, nullptr, nullptr, false, false, false, nullptr); }),
              code(Category::access, "no-connect"));
    answer = true;

    Cell f = text("x.txt", type_id::file);
    EXPECT_EQ(raised([&] { file::read(&f, nullptr, nullptr, false, false, false, &body); }),
              code(Category::internal, "not-done"));
    file::io::read_file = [](const Cell*, const Cell*, const Cell*, bool, bool, bool) -> Cell* {
        return nullptr;
    };
    EXPECT_EQ(raised([&] { file::read(&f, nullptr, nullptr, false, false, false, nullptr); }),
              code(Category::access, "cannot-open"));
}

TEST_F(UrlFileTest, IssueIsAWordMoldedWithHash) {
    Cell abc = text("abc");
    Cell made;
    issue::make(&made, &abc, type_id::issue);
    EXPECT_EQ(cell_type(&made), type_id::issue);
    EXPECT_EQ(value::word_index(&made), -1);
    EXPECT_EQ(mold(made), "#abc");
    EXPECT_EQ(form(made), "abc");
    Cell upper;
    issue::make_at(reinterpret_cast<const unsigned char*>("ABC"), 3, &upper);
    EXPECT_EQ(issue::compare(&made, &upper, compare_code::equal), 0);
    EXPECT_NE(issue::compare(&made, &upper, compare_code::strict_equal), 0);
    Cell w = word_of("abc");
    EXPECT_EQ(issue::compare(&made, &w, compare_code::equal), compare_code::not_comparable);
    Cell ch;
    value::set_char(&ch, 'z');
    issue::make(&made, &ch, type_id::issue);
    EXPECT_EQ(mold(made), "#z");
    issue::make(&made, &w, type_id::refinement);
    EXPECT_EQ(cell_type(&made), type_id::refinement);
    EXPECT_EQ(actions::slot_of(type_id::issue, action_slot::append), nullptr);
}

} // namespace
} // namespace zep
