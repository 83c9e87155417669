/* Reading a declaration's parameters from its JSON text (see uvo/kit.h): a
 * small strict JSON reader that keeps only what the layout needs (each
 * parameter's name, type and element type) and steps over everything else. */
#include <ctype.h>
#include <string.h>

#include "uvo/kit.h"

typedef struct Reader {
    const char *p;
} Reader;

enum { kMaxDepth = 64 };

static void skip_space(Reader *r) {
    while (*r->p == ' ' || *r->p == '\t' || *r->p == '\n' || *r->p == '\r')
        ++r->p;
}

/* Whether the next character is c (consumed when it is). */
static int accept(Reader *r, char c) {
    skip_space(r);
    if (*r->p != c)
        return 0;
    ++r->p;
    return 1;
}

/* A string into out (cap bytes with the zero; out may be NULL).  *fits
 * (when given) says whether it fitted; a longer one is cut.  \u escapes
 * count as '?': no name or type the layout needs has one.  0 when
 * malformed. */
static int read_string(Reader *r, char *out, size_t cap, int *fits) {
    size_t n = 0;
    if (fits != NULL)
        *fits = 1;
    if (!accept(r, '"'))
        return 0;
    while (*r->p != '"') {
        char c = *r->p;
        if ((unsigned char)c < 0x20)  /* the end of the text, or a raw control character */
            return 0;
        if (c == '\\') {
            c = *++r->p;
            if (c == 'u') {
                int k;
                for (k = 1; k <= 4; ++k)
                    if (!isxdigit((unsigned char)r->p[k]))
                        return 0;
                r->p += 4;
                c = '?';
            } else if (c == 'n' || c == 't' || c == 'r' || c == 'b' || c == 'f') {
                c = ' ';
            } else if (c != '"' && c != '\\' && c != '/') {
                return 0;
            }
        }
        if (out != NULL && n + 1 < cap)
            out[n] = c;
        else if (fits != NULL)
            *fits = 0;
        ++n;
        ++r->p;
    }
    ++r->p;
    if (out != NULL && cap > 0)
        out[n < cap ? n : cap - 1] = '\0';
    return 1;
}

static int skip_number(Reader *r) {
    int digits = 0;
    if (*r->p == '-')
        ++r->p;
    while (isdigit((unsigned char)*r->p) || *r->p == '.' || *r->p == 'e' || *r->p == 'E' || *r->p == '+' ||
           *r->p == '-') {
        digits += isdigit((unsigned char)*r->p) != 0;
        ++r->p;
    }
    return digits > 0;
}

static int skip_value(Reader *r, int depth) {
    skip_space(r);
    if (depth > kMaxDepth)
        return 0;
    if (*r->p == '"')
        return read_string(r, NULL, 0, NULL);
    if (accept(r, '{')) {
        if (accept(r, '}'))
            return 1;
        do {
            if (!read_string(r, NULL, 0, NULL) || !accept(r, ':') || !skip_value(r, depth + 1))
                return 0;
        } while (accept(r, ','));
        return accept(r, '}');
    }
    if (accept(r, '[')) {
        if (accept(r, ']'))
            return 1;
        do {
            if (!skip_value(r, depth + 1))
                return 0;
        } while (accept(r, ','));
        return accept(r, ']');
    }
    if (strncmp(r->p, "true", 4) == 0 || strncmp(r->p, "null", 4) == 0) {
        r->p += 4;
        return 1;
    }
    if (strncmp(r->p, "false", 5) == 0) {
        r->p += 5;
        return 1;
    }
    return skip_number(r);
}

/* A type named by a string value; -1 when unknown or not a string. */
static int32_t read_type(Reader *r) {
    char name[16];
    int fits;
    if (!read_string(r, name, sizeof name, &fits))
        return -2;
    return fits ? uvo_kit_param_type_from_name(name) : -1;
}

/* One parameter object into *out (type and element; offset 0).  0 when
 * malformed or incomplete. */
static int read_parameter(Reader *r, UvoKitDeclParam *out) {
    int named = 0;
    out->param.type = -1;
    out->param.element = -1;
    out->param.offset = 0;
    if (!accept(r, '{') || accept(r, '}'))
        return 0;
    do {
        char key[16];
        int fits;
        if (!read_string(r, key, sizeof key, &fits) || !accept(r, ':'))
            return 0;
        if (fits && strcmp(key, "name") == 0) {
            skip_space(r);
            if (!read_string(r, out->name, sizeof out->name, &fits) || !fits)
                return 0;
            named = 1;
        } else if (fits && strcmp(key, "type") == 0) {
            skip_space(r);
            out->param.type = read_type(r);
        } else if (fits && strcmp(key, "element") == 0) {
            skip_space(r);
            out->param.element = read_type(r);
        } else if (!skip_value(r, 2)) {
            return 0;
        }
    } while (accept(r, ','));
    return accept(r, '}') && named;
}

int32_t uvo_kit_read_declaration(const char *json, UvoKitDeclParam *params, size_t capacity, uint32_t *block_size) {
    Reader r;
    size_t count = 0;
    uint32_t offset = 0;
    if (json == NULL)
        return -1;
    r.p = json;
    if (!accept(&r, '{'))
        return -1;
    if (!accept(&r, '}')) {
        do {
            char key[16];
            int fits;
            if (!read_string(&r, key, sizeof key, &fits) || !accept(&r, ':'))
                return -1;
            if (!fits || strcmp(key, "parameters") != 0) {
                if (!skip_value(&r, 1))
                    return -1;
                continue;
            }
            if (!accept(&r, '['))
                return -1;
            if (accept(&r, ']'))
                continue;
            do {
                UvoKitDeclParam scratch;
                UvoKitDeclParam *p = count < capacity ? &params[count] : &scratch;
                uint32_t size;
                if (!read_parameter(&r, p))
                    return -1;
                /* The slots of this one parameter, laid out alone. */
                size = uvo_kit_layout(&p->param, 1, NULL);
                if (size == 0)
                    return -1;
                p->param.offset = offset;
                offset += size;
                ++count;
            } while (accept(&r, ','));
            if (!accept(&r, ']'))
                return -1;
        } while (accept(&r, ','));
        if (!accept(&r, '}'))
            return -1;
    }
    skip_space(&r);
    if (*r.p != '\0' || count > 0x7fffffff)
        return -1;
    if (block_size != NULL)
        *block_size = offset;
    return (int32_t)count;
}
