// A threaded host's per-instance services for the test host: one cache cell
// per thread (queries 124, 126, 127) and a real instance lock (query 52,
// rx_lock, rx_unlock).  install() scripts them; every other query goes to
// `fallback` (the test host's defaults unless given).
#pragma once

#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "test_host.h"

namespace uvo_test {

struct ThreadCells {
    using Query = std::function<Boolean(int32_t, ShadingState *, Tag, void *)>;

    std::mutex mutex;  // guards cells and list
    std::map<std::thread::id, void **> cells;
    std::vector<void **> list;  // what query 127 hands out
    std::mutex instance_lock;

    void install(Query fallback = default_query) {
        host().script.rx_query = [this, fallback](int32_t code, ShadingState *s, Tag item, void *answer) -> Boolean {
            switch (code) {
            case UVO_QUERY_INSTANCE_LOCK: *static_cast<HostLock *>(answer) = &instance_lock; return 1;
            case UVO_QUERY_THREAD_CELL: {
                std::lock_guard guard(mutex);
                auto it = cells.find(std::this_thread::get_id());
                *static_cast<void ***>(answer) = it == cells.end() ? nullptr : it->second;
                return 1;
            }
            case UVO_QUERY_REGISTER_CELL: {
                std::lock_guard guard(mutex);
                cells[std::this_thread::get_id()] = static_cast<void **>(answer);
                return 1;
            }
            case UVO_QUERY_THREAD_CELLS: {
                std::lock_guard guard(mutex);
                list.clear();
                for (auto &[thread, cell] : cells)
                    list.push_back(cell);
                *static_cast<HostCellList *>(answer) = HostCellList{list.data(), static_cast<int32_t>(list.size())};
                return 1;
            }
            default: return fallback(code, s, item, answer);
            }
        };
        host().script.rx_lock = [](HostLock lock) { static_cast<std::mutex *>(lock)->lock(); };
        host().script.rx_unlock = [](HostLock lock) { static_cast<std::mutex *>(lock)->unlock(); };
    }
};

}  // namespace uvo_test
