// The process-wide codec lock, and the order of every lock of the engine.
//
// Lock order. A lock may be taken while holding one above it in this list,
// never while holding one below it:
//
//  1. the canvas lock (Bitmap24::canvasLock, frame_bitmap.h; re-entrant,
//     one per bitmap): held while the picture is copied into the bitmap,
//     while onCustomHook draws on it and while the drawing is copied back;
//  2. the codec lock (codecLock below; re-entrant, one per process): held
//     while codecs are opened or closed and stream information is read;
//  3. the component lock (MediaEngine::lock, media_engine.h; re-entrant,
//     one per component): guards the task list and the scheduling state,
//     and is held while onLog, onProgress and onTerminate are raised;
//  4. the leaf locks, each held for a few statements without taking any
//     other lock and without raising an event: the log list's lock
//     (engine_log.cpp, released before a line is delivered), the list of
//     components, the cache of video hook modules, the generic options'
//     lock, and per task its outcome lock, its worker's lock, its pause
//     gate's lock and the output pipeline's queue lock.
//
// The canvas and the codec lock are never held together. A library message
// issued under the codec lock, and an error logged under the canvas lock,
// reach the component lock (3 under 2 or 1), which is why the component
// lock comes after them. The one known inversion runs the other way: an
// onTerminate handler that removes or clears tasks frees them under the
// component lock, and freeing a task takes the codec lock for its clean-up
// (2 under 3), while another task's thread may hold the codec lock and wait
// for the component lock to deliver a library message.
//
// Events. onLog, onProgress and onTerminate are raised holding the
// component lock (and, for a library message, whatever its thread holds);
// onCustomHook holding the canvas lock; onBeforeHook holding none. A
// handler takes no lock of the engine other than the component lock (the
// calls media_engine.h allows from handlers).
#pragma once

#include <mutex>

// One task at a time opens or closes codecs or reads stream information.
std::recursive_mutex &codecLock();
