#include "stdplus.h"

#include <mbctype.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "errors.h"

static int g_live_blocks;

bool StdPlus_IsLead(unsigned char c) {
    return _ismbblead(c) != 0;
}

// The length of the character at p: 2 for a lead byte followed by a trail byte, else 1.
// A lead byte right before the terminating NUL counts as one byte so a scan never runs
// past the end.
static size_t CharLen(const char* p) {
    return StdPlus_IsLead(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
}

// The start of the last character of a non-empty string, found by walking from the start:
// from the end alone a trail byte cannot be told from a single-byte character.
static char* LastCharStart(char* str) {
    char* last = nullptr;
    for (char* p = str; *p != '\0'; p += CharLen(p)) last = p;
    return last;
}

void* StdPlus_Malloc(size_t size) {
    void* block = malloc(size);
    if (block == nullptr) ERRORS_RAISE(StdPlus_Err_MallocFailure, "malloc できません");
    g_live_blocks++;
    return block;
}

void StdPlus_Free(void* block) {
    if (block == nullptr) return;
    free(block);
    g_live_blocks--;
}

int StdPlus_LiveBlocks() {
    return g_live_blocks;
}

char* StdPlus_CopyN(char* dst, const char* src, size_t size) {
    if (size == 0) return dst;
    size_t n = strlen(src);
    if (n > size - 1) n = size - 1;
    memmove(dst, src, n);
    dst[n] = '\0';
    return dst;
}

char* StdPlus_CopyUntil(char* dst, size_t max, const char* src, char stop) {
    size_t n = 0;
    while (n < max && src[n] != '\0' && src[n] != stop) {
        dst[n] = src[n];
        n++;
    }
    dst[n] = '\0';
    return dst;
}

char* StdPlus_CatN(char* dst, const char* src, size_t size) {
    size_t have = strlen(dst);
    size_t add = strlen(src);
    // A name cut short would be another name (".lzh" losing its "h"): none is made.
    if (have + add >= size)
        ERRORS_RAISE(StrX_Err_TooLongPath, "パスが長すぎます（%s%s）", dst, src);
    memmove(dst + have, src, add + 1);
    return dst;
}

char* StdPlus_Prepend(char* buf, const char* src) {
    size_t n = strlen(src);
    memmove(buf + n, buf, strlen(buf) + 1);
    memmove(buf, src, n);
    return buf;
}

char* StdPlus_AddTrailChar(char* str, char c, size_t size) {
    char* last = LastCharStart(str);
    if (last != nullptr && last[0] == c && last[1] == '\0') return str;
    size_t n = strlen(str);
    if (n + 2 > size) ERRORS_RAISE(StrX_Err_TooLongPath, "パスが長すぎます（%s）", str);
    str[n] = c;
    str[n + 1] = '\0';
    return str;
}

char* StdPlus_DropLast(char* str) {
    size_t n = strlen(str);
    if (n > 0) str[n - 1] = '\0';
    return str;
}

char* StdPlus_DropLastIf(char* str, char c) {
    size_t n = strlen(str);
    if (n > 0 && str[n - 1] == c) str[n - 1] = '\0';
    return str;
}

char* StdPlus_DropTrailChar(char* str, char c) {
    char* last = LastCharStart(str);
    if (last != nullptr && last[0] == c && last[1] == '\0') *last = '\0';
    return str;
}

char* StdPlus_DropBrokenLead(char* str) {
    // Only a lead byte that starts a character is broken; the same byte value as the
    // trail of a complete character is not.
    char* last = LastCharStart(str);
    if (last != nullptr && last[1] == '\0' && StdPlus_IsLead(static_cast<unsigned char>(*last)))
        *last = '\0';
    return str;
}

char* StdPlus_Trim(char* str) {
    char* start = str;
    while (*start != '\0' && isspace(static_cast<unsigned char>(*start))) start++;
    size_t n = strlen(start);
    while (n > 0 && isspace(static_cast<unsigned char>(start[n - 1]))) n--;
    memmove(str, start, n);
    str[n] = '\0';
    return str;
}

char StdPlus_LastChar(const char* str) {
    size_t n = strlen(str);
    return n > 0 ? str[n - 1] : '\0';
}

char* StdPlus_FindChar(const char* str, char c) {
    for (const char* p = str; *p != '\0'; p += CharLen(p)) {
        if (*p == c && CharLen(p) == 1) return const_cast<char*>(p);
    }
    return nullptr;
}

char* StdPlus_FindLastChar(const char* str, char c) {
    const char* found = nullptr;
    for (const char* p = str; *p != '\0'; p += CharLen(p)) {
        if (*p == c && CharLen(p) == 1) found = p;
    }
    return const_cast<char*>(found);
}

char* StdPlus_FindAnyOf(const char* str, const char* set) {
    for (const char* p = str; *p != '\0'; p += CharLen(p)) {
        if (CharLen(p) == 1 && strchr(set, *p) != nullptr) return const_cast<char*>(p);
    }
    return nullptr;
}

char* StdPlus_FindNoCase(const char* str, const char* text) {
    size_t n = strlen(text);
    for (const char* p = str; *p != '\0'; p++) {
        size_t i = 0;
        while (i < n && p[i] != '\0' &&
               toupper(static_cast<unsigned char>(p[i])) ==
                   toupper(static_cast<unsigned char>(text[i])))
            i++;
        if (i == n) return const_cast<char*>(p);
    }
    return n == 0 ? const_cast<char*>(str) : nullptr;
}

char* StdPlus_ReplaceChar(char* str, char c, char d) {
    for (char* p = str; *p != '\0'; p += CharLen(p)) {
        if (*p == c && CharLen(p) == 1) *p = d;
    }
    return str;
}

char* StdPlus_ReplaceText(char* str, size_t size, const char* from, const char* to) {
    size_t from_len = strlen(from);
    size_t to_len = strlen(to);
    if (from_len == 0 || size == 0) return str;
    size_t limit = size - 1;
    char* p = str;
    while ((p = strstr(p, from)) != nullptr) {
        size_t head = p - str;
        size_t tail = strlen(p + from_len);
        // Room for the replacement, then whatever of the tail still fits.
        size_t put = to_len;
        if (head + put > limit) put = limit - head;
        size_t keep = tail;
        if (head + put + keep > limit) keep = limit - head - put;
        memmove(p + put, p + from_len, keep);
        memcpy(p, to, put);
        p[put + keep] = '\0';
        p += put;
        if (put < to_len) break;
    }
    return str;
}

char* StdPlus_CsvQuote(char* out, size_t size, const char* value) {
    if (size == 0) return out;
    size_t n = strlen(value);
    bool quote = strchr(value, ',') != nullptr || strchr(value, '"') != nullptr ||
                 (n > 0 && (value[0] == ' ' || value[n - 1] == ' '));
    size_t o = 0;
    auto put = [&](char c) {
        if (o < size - 1) out[o++] = c;
    };
    if (quote) put('"');
    for (const char* p = value; *p != '\0'; p++) {
        if (*p == '"') put('"');
        put(*p);
    }
    if (quote) put('"');
    out[o] = '\0';
    return out;
}

char* StdPlus_CsvField(char* text, char** next) {
    char* p = text;
    while (*p == ' ') p++;
    if (*p == '\0') {
        *next = nullptr;
        return p;
    }
    if (*p == ',') {
        *p = '\0';
        *next = p + 1;
        return p;
    }
    if (*p == '"') {
        char* field = p + 1;
        char* in = field;
        char* out = field;
        for (;;) {
            if (*in == '\0') break;
            if (*in == '"') {
                if (in[1] != '"') break;
                in++;
            }
            *out++ = *in++;
        }
        char* comma = *in == '\0' ? nullptr : strchr(in + 1, ',');
        *out = '\0';
        *next = comma != nullptr ? comma + 1 : nullptr;
        return field;
    }
    char* comma = strchr(p, ',');
    char* end = comma != nullptr ? comma : p + strlen(p);
    *next = comma != nullptr ? comma + 1 : nullptr;
    while (end > p && end[-1] == ' ') end--;
    *end = '\0';
    return p;
}
