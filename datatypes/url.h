// url!: a text value (string layout) whose text is held decoded; its
// notation percent-encodes every byte outside the url character set. Also the
// percent codec (used by file! and by enhex/dehex) and the seams to the URL
// layer and to ports, which the I/O services install.
#pragma once
#include <cstdint>
#include <string>

#include "datatypes/registry.h"
#include "runtime/cell.h"

namespace zep::url {

// ---- Percent codec ---------------------------------------------------------

// Encoding modes: 255 passes the url character set, 254 only the unreserved
// set (letters, digits and - . _ ~).
namespace mode {
constexpr uint8_t url = 255;
constexpr uint8_t unreserved = 254;
} // namespace mode

// True for the characters a url (and an unquoted file) writes as they are:
// letters, digits and @ ! # $ & ' ( ) * + , - . / : = ? _ ~
bool is_url_char(uint32_t cp);
// The byte of a "%" followed by two hexadecimal digits at p, or -1.
int32_t decode_hex_pair(const unsigned char* p, const unsigned char* end);
// Decodes UTF-8 url text: an escaped UTF-8 sequence gives its character, an
// escape of any other byte gives that byte as a code point, anything else
// (a stray "%" included) is copied. Raw bytes that are not UTF-8 raise access
// invalid-utf8.
std::u32string decode_text(const unsigned char* text, size_t length);
// Appends one byte to out: unchanged when the mode allows it, else "%XX".
void encode_char(std::string& out, uint8_t mode, uint8_t byte);
// Encodes the bytes with the mode.
std::string encode_bytes(const std::string& bytes, uint8_t mode);

// ---- Text values -----------------------------------------------------------

// The code points of a text value from its head to its tail.
std::u32string code_points_of(const Cell* text);
// Appends code points to a text value.
void append_code_points(Cell* text, const std::u32string& cps);
// Appends the decoded url text to a text value.
void decode(const unsigned char* text, size_t length, Cell* target);
// Appends the encoding of the source's UTF-8 (from its head) to the target.
void encode(const Cell* source, Cell* target, uint8_t mode);

// A url! from UTF-8 text, percent-decoded, in the cell (a stack slot or a
// native local). Answers the cell.
Cell* load_at(const unsigned char* text, size_t length, Cell* cell);
// load_at into a new argument-stack slot.
Cell* load(const unsigned char* text, size_t length);
// Pushes a copy of the value.
Cell* push(const Cell* value);

// ---- Seams to the I/O services ----------------------------------------------

// The URL layer's HTTP request: (url, method word, headers block or nullptr,
// body or nullptr, binary, lines, info, result cell) -> false when the request
// failed.
using RequestFn = bool (*)(const Cell* url, const Cell* method, const Cell* headers,
                           const Cell* body, bool binary, bool lines, bool info, Cell* result);
extern RequestFn request;
// Makes (and for open, opens with the open flags) a port for a url through
// the library's url parser; answers false when the url does not parse.
// flags: bit 0 /new, 1 /read, 2 /write, 3 /seek.
using MakePortFn = bool (*)(const Cell* url, bool open, uint32_t flags, const Cell* allow,
                            Cell* result);
extern MakePortFn make_port;
// A port's read and write actions (the port type's read and write slots).
extern ReadFn port_read;
extern WriteFn port_write;

// ---- Datatype ----------------------------------------------------------------

// The port for a url (open: opened with the flags); script invalid-arg when
// the url does not parse.
Cell* port_action(Cell* url, bool open, uint32_t flags, const Cell* allow);

void init();
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path,
                bool case_);
Cell* open(Cell* spec, bool new_, bool read, bool write, bool seek, const Cell* allow);
Cell* read(Cell* source, const Cell* part, const Cell* seek, bool binary, bool lines, bool info,
           const Cell* as);
Cell* write(Cell* destination, const Cell* data, bool binary, bool lines, bool info, bool append,
            const Cell* part, const Cell* seek, const Cell* allow, const Cell* as);

} // namespace zep::url
