// A shader's parameter block, declared once.
//
// Each shader lists its parameters as one X-macro, a row per field in slot
// order:
//
//     #define UVO_NAME_PARAMETERS(X)  X(ctype, name, slot, type, default, range, unit, description)
//
//   ctype        the C++ type of the field in the block (a single token or an
//                alias: no commas)
//   name         the parameter's name, in the block and in the declaration
//   slot         where the field starts, in 32-bit slots from the block start
//   type         the declaration type: "scalar", "integer", "boolean",
//                "color", "vector", "transform", "shader", "light", "tag",
//                "texture" or "array <element>" (e.g. "array light")
//   default      the declaration default as JSON text ("" for none)
//   range        the accepted values as text ("[0, 1]", "0..3", "" for any)
//   unit         physical unit ("cd/m2", "m", "degrees", "" for none)
//   description  one line for the declarations and the reference docs; an
//                integer-coded option names each value ("0 off, 1 ...")
//
// UVO_PARAMETER_BLOCK(Struct, LIST) then makes
//   - `struct Struct` with one member per row, in order;
//   - a compile-time check that every member sits at 4 * slot bytes;
//   - `Struct##_rows`, the rows as data (ParamRow), for hosts' tools, the
//     declarations check and the generated docs.
#pragma once

#include <cstddef>

namespace uvo {

// One row of a parameter list, as data.
struct ParamRow {
    const char *name;
    int slot;
    const char *type;
    const char *default_json;
    const char *range;
    const char *unit;
    const char *description;
};

}  // namespace uvo

#define UVO_PARAM_FIELD_(ctype, name, slot, type, def, range, unit, desc) ctype name;
#define UVO_PARAM_SLOT_CHECK_(ctype, name, slot, type, def, range, unit, desc) \
    static_assert(offsetof(Block, name) == 4 * (slot), "parameter " #name " is not at slot " #slot);
#define UVO_PARAM_ROW_(ctype, name, slot, type, def, range, unit, desc) \
    ::uvo::ParamRow{#name, slot, type, def, range, unit, desc},

#define UVO_PARAMETER_BLOCK(Struct, LIST)                                         \
    struct Struct {                                                               \
        LIST(UVO_PARAM_FIELD_)                                                    \
    };                                                                            \
    template <class Block>                                                        \
    struct Struct##_slot_check {                                                  \
        LIST(UVO_PARAM_SLOT_CHECK_)                                               \
    };                                                                            \
    static_assert(sizeof(Struct##_slot_check<Struct>) > 0);                       \
    inline constexpr ::uvo::ParamRow Struct##_rows[] = {LIST(UVO_PARAM_ROW_)}
