// A scriptable fake host for unit tests.
//
// libuvo_testhost.so exports every host function of the contract.  A test
// scripts any of them by setting the std::function of the same name in
// host().script; an unset one runs the default behaviour described below.
// Afterwards the test reads what happened: every host call by name, every
// message, every parameter evaluation (offsets into the block), every
// allocation by module.
//
// Defaults: shader-state store is a real keyed store; rx_query answers the
// user-data slot (51), the instance lock (52), the declaration version (89,
// `declaration_version`), the gather context (116, `gather_context_ok`), the
// reduced-ray flag (142, `reduced_ray`), the call kind (140, `call_kind`),
// light records (7, `light_records`) and fails for anything else; rx_sample
// yields a deterministic low-discrepancy sequence and honours counts;
// transforms are identities; rx_luminance uses the state's luminance weights
// (or 0.299/0.587/0.114 without options); rx_mem_* track allocations; every
// other function returns 0 and leaves its outputs alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "uvo/host_interface.h"

namespace uvo_test {

struct Message {
    std::string level;  // "fatal", "error", "warning", "info", "progress", "debug"
    int32_t number;     // the leading integer of the n-variants, else -1
    std::string text;   // text as the host received it (its format argument)
};

struct Allocation {
    std::string module;
    int32_t line;
    size_t size;
};

// Script: one optional override per host function.
struct Script {
#define UVO_TEST_SCRIPT_MEMBER(ret, name, params) std::function<ret params> name;
    UVO_HOST_FUNCTIONS(UVO_TEST_SCRIPT_MEMBER)
#undef UVO_TEST_SCRIPT_MEMBER
};

// Everything reset() puts back to its initial value.
struct TestHostState {
    Script script;

    // Default answers.
    void *user_slot = nullptr;        // query 51 answers &user_slot
    int32_t lock_dummy = 0;           // query 52 answers &lock_dummy
    int32_t declaration_version = 1000;
    Boolean gather_context_ok = 1;    // query 116 succeeds
    int32_t reduced_ray = 0;          // query 142
    int32_t call_kind = UVO_SHADER_MATERIAL;
    std::map<Tag, Tag> light_records; // query 7: light instance -> light Tag
    std::map<Tag, void *> database;   // rx_db_access answers
    int32_t pins = 0;                 // rx_db_access minus rx_db_unpin
    // Off: host calls are not recorded.  Recording locks `mutex` on every
    // call, which orders the threads of a concurrency test and hides their
    // races from ThreadSanitizer.
    bool record_calls = true;

    // Records.
    std::vector<std::string> calls;  // names of the host functions called, in order
    std::vector<Message> messages;
    std::vector<std::ptrdiff_t> evaluations;  // byte offsets from eval_block
    const void *eval_block = nullptr;         // block whose evaluations are recorded
    std::map<void *, Allocation> live;        // allocations not released yet
    std::map<std::string, int> allocations;   // count per module
    std::map<std::string, int> releases;      // count per module
    int bad_releases = 0;                     // releases of unknown pointers

    // The shader-state store: key -> value.
    std::map<std::string, std::vector<char>> store;
};

class TestHost : public TestHostState {
public:
    void reset();
    void record(const char *name);
    // Number of recorded calls of `name`.
    int count(const std::string &name) const;
    // Messages of `level` ("" for all).
    std::vector<std::string> texts(const std::string &level = {}) const;

    std::mutex mutex;
};

TestHost &host();

// The test host's own answer to rx_query, for scripts that answer some codes
// themselves and leave the rest to the defaults.
Boolean default_query(int32_t code, ShadingState *state, Tag item, void *answer);

// Scripts a host function that hands back a colour through its first
// argument (a trace, an irradiance or a texture look-up): it writes `colour`
// and returns `value`.
template <class Signature>
void answer(std::function<Signature> &function, Color colour, Boolean value = 1) {
    function = [colour, value](Color *result, auto &&...) -> Boolean {
        *result = colour;
        return value;
    };
}

// A shading state with camera, options and shader record, ready to use.
struct StateFixture {
    ShadingState state{};
    ShadingState parent{};
    Camera camera{};
    RenderOptions options{};
    ShaderRecord shader{};

    StateFixture();
};

// A parameter block of type T followed by its table of connection flags.
// attach(record, true) marks every slot connected so that each read goes through
// rx_phen_eval (and is recorded); the value read is still the block's.
template <class T>
struct ParamBlock {
    struct Storage {
        T block;
        int32_t flags[(sizeof(T) + 3) / 4];
    };
    Storage storage{};

    T &operator*() { return storage.block; }
    T *operator->() { return &storage.block; }
    T *get() { return &storage.block; }

    // Records evaluations of this block through `record`.
    void attach(ShaderRecord &record, bool connected) {
        record.parameters = &storage.block;
        record.connection_offset = connected ? static_cast<uint32_t>(offsetof(Storage, flags)) : 0;
        for (auto &flag : storage.flags)
            flag = connected ? 1 : 0;
        host().eval_block = &storage.block;
    }
};

}  // namespace uvo_test
