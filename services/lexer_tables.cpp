// The lexer's tables: the character classes with their token flags, the
// transition table of the token machine and its per-state side tables.
#include "services/lexer_tables.h"

namespace zep::lexer {

namespace {

// Class members and flag bits, as ranges of bytes.
constexpr uint8_t class_of(unsigned b) {
    if (b == 0x09 || b == 0x0D || b == 0x20) return 0;
    if (b == 0x0A) return 1;
    if (b >= 0x31 && b <= 0x39) return 2;
    switch (b) {
    case 0x30:
        return 3;
    case '[':
        return 4;
    case ']':
        return 5;
    case '(':
        return 6;
    case ')':
        return 7;
    case '{':
        return 8;
    case '}':
        return 9;
    case '"':
        return 10;
    case '#':
        return 11;
    case '\'':
        return 12;
    case ':':
        return 13;
    case 'X':
    case 'x':
        return 14;
    case 'T':
        return 15;
    case 'h':
        return 16;
    case 'e':
        return 17;
    case 'E':
        return 18;
    case '/':
        return 21;
    case '\\':
        return 22;
    case '<':
        return 23;
    case '>':
        return 24;
    case '=':
        return 25;
    case '%':
        return 26;
    case ',':
        return 27;
    case ';':
        return 28;
    case '@':
        return 29;
    case '.':
        return 30;
    case '$':
        return 31;
    case '+':
        return 32;
    case '-':
        return 33;
    case '^':
        return 34;
    case 0x00:
        return 39;
    default:
        break;
    }
    if ((b >= 'a' && b <= 'd') || b == 'f') return 19;
    if ((b >= 'A' && b <= 'D') || b == 'F') return 20;
    if (b < 0x20) return 35;
    if (b >= 0x7F && b <= 0xBF) return 36;
    if (b == 0xC0 || b == 0xC1 || b >= 0xF8) return 38;
    return 37; // other printable ASCII and UTF-8 lead bytes C2-F7
}

constexpr uint32_t flags_of(unsigned b) {
    switch (b) {
    case '%':
        return flag::percent;
    case '>':
        return flag::greater;
    case '<':
        return flag::less;
    case '+':
    case '-':
        return flag::sign;
    case 0x00:
        return flag::nul;
    case '#':
        return flag::hash;
    case 'e':
    case 'E':
        return flag::exponent;
    case '\'':
        return flag::quote;
    case ':':
        return flag::colon;
    case ',':
        return flag::comma;
    case '.':
        return flag::point;
    case '^':
        return flag::caret;
    default:
        break;
    }
    if (b >= 0xC2 && b <= 0xEF) return flag::wide2;
    if (b >= 0xF0 && b <= 0xF7) return flag::wide4;
    return 0;
}

// A row of the transition table: the state's datatype, the next state for
// every class not listed, and the listed groups "classes: next state" joined
// by "; ".
struct Row {
    uint8_t type;
    uint8_t fallback;
    const char* exceptions;
};

constexpr Row rows[working_states] = {
    {0, 52,
     "0,1,35: 0; 28: 1; 10: 2; 26: 6; 21: 13; 11: 16; 2,3: 23; 31: 36; 18,20: 40; 23: 43; "
     "32,33: 47; 30: 49; 12,13: 51; 29: 57; 25: 58; 39: 66; 9,22,36,38: 67; 4: 68; 5: 69; "
     "6: 70; 7: 71; 8: 72; 27: 78"},                                                        // 0
    {0, 1, "38: 67; 1,39: 77"},                                                             // 1
    {7, 2, "34: 3; 1,38,39: 67; 10: 79"},                                                   // 2
    {7, 2, "38,39: 67"},                                                                    // 3
    {7, 4, "34: 5; 38,39: 67; 8: 72; 9: 73"},                                               // 4
    {7, 4, "38,39: 67"},                                                                    // 5
    {8, 7, "10: 8; 26: 9; 8: 10; 13: 54; 38: 67; 0,1,4,5,6,7,9,28,29,35,39: 80"},           // 6
    {8, 7, "10,38: 67; 0,1,4,5,6,7,8,9,13,28,29,39: 85"},                                   // 7
    {8, 8, "1,38,39: 67; 10: 85"},                                                          // 8
    {8, 7, "26: 9; 8: 10; 38: 67; 0,1,4,5,6,7,9,10,22,28,35,39: 80"},                       // 9
    {7, 10, "9: 11; 38,39: 67"},                                                            // 10
    {7, 10, "9: 11; 26: 12; 38,39: 67"},                                                    // 11
    {7, 67, "26: 12; 0,1,4,5,6,7,8,10,23,28,35,39: 100"},                                   // 12
    {15, 14, "21: 15; 13: 53; 27,38: 67; 0,1,4,5,6,7,8,9,10,11,28,29,35,39: 80"},           // 13
    {19, 14, "13,27,38: 67; 0,1,4,5,6,7,8,9,10,21,28,29,35,39: 83"},                        // 14
    {15, 52, "21: 15; 26,27,31,38: 67; 0,1,4,5,6,7,8,9,10,11,28,29,35,39: 80"},             // 15
    {20, 22, "8: 17; 10: 19; 6: 21; 0,1,5,7,9,13,23,24,27,38: 67; 4: 74; 28,29,35,39: 81"}, // 16
    {41, 67, "0,1,2,3,14,15,16,17,18,19,20,21,25,32,37: 17; 28: 18; 9: 86"},                // 17
    {0, 18, "1: 17; 38,39: 67"},                                                            // 18
    {10, 19, "34: 20; 38,39: 67; 10: 84"},                                                  // 19
    {10, 19, "38,39: 67"},                                                                  // 20
    {0, 21, "38,39: 67; 7: 76"},                                                            // 21
    {20, 22, "13,21,38: 67; 0,1,4,5,6,7,8,9,10,28,29,35,39: 81"},                           // 22
    {11, 82,
     "11: 16; 2,3,12: 23; 30: 24; 17: 26; 18: 27; 15,21,33: 30; 13: 31; 14: 33; 20: 39; "
     "16: 42; 29: 56; 19,22,24,25,31,32,34,36,37,38: 67; 26: 87"}, // 23
    {12, 67,
     "2,3,12: 25; 17,18: 26; 11: 28; 14: 33; 26: 87; 0,1,4,5,6,7,8,9,10,21,23,27,28,35,39: "
     "88"}, // 24
    {12, 88,
     "2,3,12: 25; 17,18: 26; 30: 29; 14: 33; 29: 56; "
     "11,15,16,19,20,22,24,25,31,32,33,34,36,37,38: 67; 26: 87"},                   // 25
    {12, 67, "2,3,32,33: 26; 29: 56; 0,1,4,5,6,7,8,9,10,13,21,23,27,28,35,39: 88"}, // 26
    {12, 88,
     "32,33: 26; 2,3: 27; 30: 29; 18,20: 40; 16: 42; 29: 56; "
     "11,12,14,15,17,19,22,24,25,28,31,34,36,37,38: 67; 26: 87"}, // 27
    {12, 89,
     "14,15,16,17,18,19,20,24,25,30,32,33,36,37: 28; 11,12,13,26,29,31,34,38: 67; 2: "
     "88"},                                                                         // 28
    {39, 67, "2,3,30: 29; 0,1,4,5,6,7,8,9,10,13,21,23,28,35,39: 90"},               // 29
    {47, 30, "26,27,29,34,36,38: 67; 0,1,4,5,6,7,8,9,10,23,28,31,35,39: 91"},       // 30
    {43, 67, "2,3: 32"},                                                            // 31
    {43, 67, "2,3,13,30: 32; 0,1,4,5,6,7,8,9,10,21,23,28,35,39: 94"},               // 32
    {37, 67, "2,3,32,33: 34; 29: 56"},                                              // 33
    {37, 67, "2,3,17,18,30: 34; 29: 56; 0,1,4,5,6,7,8,9,10,13,21,23,28,35,39: 92"}, // 34
    {51, 67, "0,2,3,5,11,17,18,19,20,27,30,32,33,37: 35; 7: 93"},                   // 35
    {49, 67, "2,3: 37"},                                                            // 36
    {49, 67, "2,3,12: 37; 30: 38; 0,1,4,5,6,7,8,9,10,11,13,21,23,28,35,39: 95"},    // 37
    {49, 67, "2,3,12: 38; 0,1,4,5,6,7,8,9,10,11,13,21,23,28,35,39: 95"},            // 38
    {0, 67, "2,3,18,20: 39; 16: 41; 29: 56"},                                       // 39
    {11, 80,
     "31: 37; 2,3,18,20: 40; 16: 41; 12,14,15,17,19,23,24,25,30,32,33,34,36,37: 52; 13: "
     "53; 29: 56; 26,27,38: 67; 21: 75"}, // 40
    {15, 52,
     "31: 37; 13: 53; 29: 56; 11,26,27,38: 67; 21: 75; 0,1,4,5,6,7,8,9,10,22,28,35,39: "
     "99"},                                                                                    // 41
    {11, 67, "31: 37; 29: 56; 21: 75; 0,1,4,5,6,7,8,9,10,22,23,28,35,39: 99"},                 // 42
    {44, 44, "23: 43; 12: 46; 24,25,33: 52; 13: 53; 38: 67; 0,1,4,5,6,7,8,9,10,28,35,39: 80"}, // 43
    {44, 44, "10: 45; 12: 46; 38,39: 67; 24: 96"},                                             // 44
    {44, 45, "10: 44; 38,39: 67"},                                                             // 45
    {44, 46, "12: 44; 38,39: 67"},                                                             // 46
    {15, 52,
     "2,3: 23; 31: 37; 30: 49; 12,26,34,38: 67; 21: 75; 0,1,4,5,6,7,8,9,10,11,22,28,35,39: "
     "80"},                                                                        // 47
    {15, 52, "12,26,31,34,38: 67; 21: 75; 0,1,4,5,6,7,8,9,10,11,22,28,35,39: 80"}, // 48
    {15, 52,
     "2,3,32,33: 50; 13: 53; 29: 56; 26,27,31,38: 67; 21: 75; "
     "0,1,4,5,6,7,8,9,10,11,22,28,35,39: 80"}, // 49
    {12, 67,
     "14: 33; 2,3,17,18,32,33: 50; 29: 56; 26: 87; 0,1,4,5,6,7,8,9,10,13,21,23,35,39: "
     "88"}, // 50
    {15, 67,
     "21: 13; 23: 43; 32,33: 48; 14,15,16,17,18,19,20,24,30,34,36,37: 52; 26: 54; 25: "
     "58"}, // 51
    {15, 52,
     "31: 36; 13: 53; 29: 56; 26,27,38: 67; 21: 75; 0,1,4,5,6,7,8,9,10,11,22,23,28,35,39: "
     "80"},                                                         // 52
    {16, 55, "23,38: 67; 0,1,4,5,6,7,8,9,10,22,28,35,39: 80"},      // 53
    {15, 67, "26: 54; 0,1,4,5,6,7,8,9,22,28,35,39: 80"},            // 54
    {9, 55, "24,34,38: 67; 0,1,4,5,6,7,8,9,10,22,23,28,35,39: 97"}, // 55
    {45, 98,
     "2,3,14,15,16,17,18,19,20,26,30,32,33,36,37: 56; 11,12,13,24,25,27,29,31,34,38: "
     "67"},                                                                             // 56
    {50, 57, "11,12,22,24,25,27,29,31,34,38: 67; 0,1,4,5,6,7,8,9,10,23,28,35,39: 101"}, // 57
    {15, 52, "11,26,27,29,31,38: 67; 21: 75; 0,1,4,5,6,7,8,9,10,13,22,28,35,39: 80"},   // 58
    {25, 67,
     "10: 2; 31: 36; 23: 43; 29: 57; 2,3: 60; 12,13: 61; "
     "14,15,16,17,18,19,20,24,25,30,36,37: 62; 11: 63; 32,33: 64; 6: 70; 7: 71"}, // 59
    {11, 67,
     "30: 24; 17,18: 26; 14: 33; 29: 56; 2,3,12: 60; 0,1,4,5,6,7,8,9,10,13,21,23,28,35,39: "
     "82; 26: 87"},                                                                        // 60
    {15, 67, "14,15,16,17,18,19,20,23,24,25,30,32,33,36,37: 62"},                          // 61
    {15, 62, "31: 36; 29: 56; 11,26,27,38: 67; 0,1,4,5,6,7,8,9,10,13,21,22,28,35,39: 80"}, // 62
    {20, 22, "10: 19; 4: 21; 0,1,5,6,7,8,9,13,21,23,24,25,27,28,29,35,38,39: 67"},         // 63
    {15, 80,
     "31: 36; 29: 56; 2,3: 60; 14,15,16,17,18,19,20,24,25,30,36,37: 62; 32,33: 64; "
     "11,12,23,26,27,34,38: 67"}, // 64
};

// Datatype of each final state (token class + 66).
constexpr uint8_t final_types[token::count] = {0,  34, 0,  0,  0,  0,  0,  7, 0,  0,  0,  0,
                                               0,  7,  15, 20, 11, 19, 10, 8, 41, 38, 12, 12,
                                               39, 47, 37, 51, 43, 49, 44, 9, 45, 11, 7,  50};

constexpr uint32_t read_number(const char*& p) {
    uint32_t n = 0;
    while (*p >= '0' && *p <= '9') n = n * 10 + static_cast<uint32_t>(*p++ - '0');
    return n;
}

constexpr Tables make_tables() {
    Tables t{};
    for (unsigned b = 0; b < 256; ++b) {
        t.classes[b] = class_of(b) | flags_of(b);
        if (b == '\n') t.classes[b] |= scan_flag::line;
        if (b >= 0x80) t.classes[b] |= scan_flag::high;
    }
    for (uint32_t state = 0; state < working_states; ++state) {
        const Row& row = rows[state];
        for (uint32_t c = 0; c < class_count; ++c) t.next[state][c] = row.fallback;
        const char* p = row.exceptions;
        while (*p) {
            uint32_t members[class_count] = {};
            uint32_t count = 0;
            for (;;) {
                members[count++] = read_number(p);
                if (*p != ',') break;
                ++p;
            }
            ++p; // ':'
            while (*p == ' ') ++p;
            uint32_t next = read_number(p);
            for (uint32_t i = 0; i < count; ++i)
                t.next[state][members[i]] = static_cast<uint8_t>(next);
            while (*p == ';' || *p == ' ') ++p;
        }
        t.state_type[state] = row.type;
    }
    for (uint32_t c = 0; c < token::count; ++c)
        t.state_type[first_final_state + c] = final_types[c];
    const uint8_t run_state_ids[run_states] = {1, 2, 4, 52}; // comment, strings, word
    for (uint32_t r = 0; r < run_states; ++r) {
        uint8_t state = run_state_ids[r];
        t.run_of[state] = static_cast<uint8_t>(r + 1);
        for (unsigned b = 0; b < 256; ++b) {
            uint32_t entry = t.classes[b];
            bool keeps = t.next[state][entry & 0xFF] == state && (entry & scan_flag::line) == 0;
            t.runs[r][b] = keeps ? entry | run_keeps : 0;
        }
    }
    return t;
}

struct PublicClasses {
    uint32_t entries[256];
};

constexpr PublicClasses make_public_classes() {
    PublicClasses c{};
    for (unsigned b = 0; b < 256; ++b) c.entries[b] = class_of(b) | flags_of(b);
    return c;
}

constinit const PublicClasses public_classes = make_public_classes();

} // namespace

constinit const Tables tables = make_tables();
constinit const uint32_t* const class_table = public_classes.entries;

} // namespace zep::lexer
