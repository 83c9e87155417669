// The portal light's per-light records: one per light instance that uses a
// shader instance, kept in a list in the instance's user-data slot, plus one
// cache cell per render thread holding the record that thread used last.
//
// Threads: records are built and linked only under the instance's lock
// (query 52) and never change once linked; the list is walked without the
// lock (links are published with release stores, read with acquire loads).
// A thread's cell is written by that thread only.  Init and exit run while no
// shading does.
#pragma once

#include "portal/portal_model.h"
#include "uvo/host_interface.h"

namespace uvo::portal {

struct PortalRecord {
    PortalRecord *next;     // next record of the list, null for the last; read and written atomically
    Tag light_instance;     // the light instance this record serves
    Matrix to_light;        // internal space -> the light's unscaled frame (inverse of from_light)
    Matrix from_light;      // unscaled frame -> internal space: rows x, y, z axes (unit), origin
    PortalGeometry geometry;
};

// Fills `record` for the state's light instance: its Tag; then, when the
// host knows the instance's light (query 7), the light's edges and direction
// (queries 33, 34, 32 on the light, pinned meanwhile), the frame from the
// light's transform (rx_vector_from_light, rx_point_from_light) and the
// geometry, reporting each fault with rx_error.  Without a light the record
// keeps only its instance.
void portal_record_build(ShadingState *state, PortalRecord *record);

// Instance init: a new record for the state's light instance, built, as the
// head of the list in the user-data slot.  Null when the host gives no slot
// or no memory.
PortalRecord *portal_records_create(ShadingState *state);

// The record of the state's light instance: this thread's cell when it holds
// it (registering a new cell when the thread has none), else the list, else a
// new record appended under the instance lock.  Null only when the host gives
// no user-data slot or no memory.
PortalRecord *portal_record_find(ShadingState *state);

// Instance exit: releases every record of the list (emptying the slot) and
// every cache cell the threads registered (query 127).
void portal_records_release(ShadingState *state);

}  // namespace uvo::portal
