#include "portal/portal_records.h"

#include <atomic>

#include "frame/binding.h"
#include "frame/memory.h"
#include "frame/shader.h"

namespace uvo::portal {

namespace {

constexpr const char *MODULE = "portal";

// The list head lives in the host's slot and the links in the records; both
// are plain pointers that other threads read while one appends.
PortalRecord *load_link(void *&link) {
    return static_cast<PortalRecord *>(std::atomic_ref<void *>(link).load(std::memory_order_acquire));
}
PortalRecord *load_link(PortalRecord *&link) {
    return std::atomic_ref<PortalRecord *>(link).load(std::memory_order_acquire);
}
void publish(void *&link, PortalRecord *record) {
    std::atomic_ref<void *>(link).store(record, std::memory_order_release);
}
void publish(PortalRecord *&link, PortalRecord *record) {
    std::atomic_ref<PortalRecord *>(link).store(record, std::memory_order_release);
}

PortalRecord *search(void **slot, Tag light_instance) {
    for (PortalRecord *r = load_link(*slot); r != nullptr; r = load_link(r->next))
        if (r->light_instance == light_instance)
            return r;
    return nullptr;
}

// A fresh cache cell for this thread, registered with the host, or null.
void **new_cell(ShadingState *state) {
    void **cell = static_cast<void **>(UVO_ALLOCATE_BYTES(MODULE, sizeof(void *)));
    if (cell == nullptr)
        return nullptr;
    *cell = nullptr;
    if (!rx_query(UVO_QUERY_REGISTER_CELL, state, 0, cell)) {
        UVO_RELEASE(MODULE, cell);  // unregistered, nobody would free it
        return nullptr;
    }
    return cell;
}

// Appends a record for the state's light instance under the instance lock,
// unless another thread linked one meanwhile; returns the record in the list.
PortalRecord *append(ShadingState *state, void **slot) {
    HostLock lock = nullptr;
    if (!rx_query(UVO_QUERY_INSTANCE_LOCK, state, 0, &lock))
        lock = nullptr;
    if (lock != nullptr)
        rx_lock(lock);

    // The end of the list is found again under the lock: the one seen before
    // may have moved on.
    PortalRecord *last = nullptr, *found = nullptr;
    for (PortalRecord *r = load_link(*slot); r != nullptr; r = load_link(r->next)) {
        if (r->light_instance == state->light_instance) {
            found = r;
            break;
        }
        last = r;
    }
    if (found == nullptr) {
        found = UVO_ALLOCATE(MODULE, PortalRecord);
        if (found != nullptr) {
            portal_record_build(state, found);
            // Linked only once built: readers walk the list without the lock.
            if (last != nullptr)
                publish(last->next, found);
            else
                publish(*slot, found);
        }
    }

    if (lock != nullptr)
        rx_unlock(lock);
    return found;
}

}  // namespace

void portal_record_build(ShadingState *state, PortalRecord *record) {
    record->light_instance = state->light_instance;
    Tag light = 0;
    if (!rx_query(UVO_QUERY_LIGHT_TAG, state, record->light_instance, &light) || light == 0)
        return;
    const bool pinned = rx_db_access(light) != nullptr;

    Vector3 edge_u{}, edge_v{}, direction{};
    rx_query(UVO_QUERY_LIGHT_EDGE_U, state, light, &edge_u);
    rx_query(UVO_QUERY_LIGHT_EDGE_V, state, light, &edge_v);
    rx_query(UVO_QUERY_LIGHT_DIRECTION, state, light, &direction);

    const Vector3 axes_in[3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    const Vector3 zero{0.0f, 0.0f, 0.0f};
    Vector3 axes[3], origin{};
    float scales[3];
    for (int k = 0; k < 3; ++k) {
        rx_vector_from_light(state, &axes[k], &axes_in[k]);
        scales[k] = length(axes[k]);
        axes[k] = normalized(axes[k]);
    }
    rx_point_from_light(state, &origin, &zero);

    float *m = record->from_light;
    rx_matrix_ident(m);
    for (int k = 0; k < 3; ++k) {
        m[4 * k + 0] = axes[k].x;
        m[4 * k + 1] = axes[k].y;
        m[4 * k + 2] = axes[k].z;
    }
    m[12] = origin.x;
    m[13] = origin.y;
    m[14] = origin.z;
    rx_matrix_invert(record->to_light, record->from_light);

    const uint32_t faults =
        portal_geometry_build(&record->geometry, edge_u, edge_v, direction, scales[0], scales[1]);
    if (faults & FAULT_DIRECTION)
        rx_error("%s", fault_direction_message);
    if (faults & FAULT_EDGE_U)
        rx_error("%s", fault_edge_u_message);
    if (faults & FAULT_EDGE_V)
        rx_error("%s", fault_edge_v_message);

    if (pinned)
        rx_db_unpin(light);
}

PortalRecord *portal_records_create(ShadingState *state) {
    void **slot = user_slot(state);
    if (slot == nullptr)
        return nullptr;
    PortalRecord *record = UVO_ALLOCATE(MODULE, PortalRecord);
    if (record == nullptr)
        return nullptr;
    portal_record_build(state, record);
    publish(*slot, record);
    return record;
}

PortalRecord *portal_record_find(ShadingState *state) {
    const Tag light_instance = state->light_instance;
    void **cell = nullptr;
    if (rx_query(UVO_QUERY_THREAD_CELL, state, 0, &cell)) {
        if (cell == nullptr)
            cell = new_cell(state);
        else if (*cell != nullptr && static_cast<PortalRecord *>(*cell)->light_instance == light_instance)
            return static_cast<PortalRecord *>(*cell);
    } else {
        cell = nullptr;  // the host keeps no per-thread store: search every time
    }

    void **slot = user_slot(state);
    if (slot == nullptr)
        return nullptr;
    PortalRecord *record = search(slot, light_instance);
    if (record == nullptr)
        record = append(state, slot);
    if (cell != nullptr && record != nullptr)
        *cell = record;
    return record;
}

void portal_records_release(ShadingState *state) {
    if (void **slot = user_slot(state)) {
        PortalRecord *r = static_cast<PortalRecord *>(*slot);
        *slot = nullptr;
        while (r != nullptr) {
            PortalRecord *next = r->next;
            UVO_RELEASE(MODULE, r);
            r = next;
        }
    }
    HostCellList cells{};
    if (rx_query(UVO_QUERY_THREAD_CELLS, state, 0, &cells) && cells.cells != nullptr)
        for (int32_t k = 0; k < cells.count; ++k)
            UVO_RELEASE(MODULE, cells.cells[k]);
}

}  // namespace uvo::portal
