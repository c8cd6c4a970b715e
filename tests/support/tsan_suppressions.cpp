// Linked into the test programs of ThreadSanitizer builds. Only races
// inside the system's libraries are suppressed here, each with its reason;
// a race in our own code is fixed, never listed.
extern "C" const char *__tsan_default_suppressions() {
  return
      // Frame-threaded decoders hand pictures (and their side data) from
      // libavcodec's own threads to ours in reference-counted buffers. The
      // hand-over and the counts are atomics inside libavcodec and
      // libavutil, which are not built for ThreadSanitizer, so the last
      // unreference looks unordered with the allocation on the decoder's
      // thread.
      "race:av_buffer_unref\n"
      "race:av_frame_unref\n"
      // The same hand-over seen from the other side: libavcodec's frame
      // threads allocate a picture's buffers (and the buffer pool's lock);
      // our output thread then reads the picture, or frees it, inside the
      // libraries, whose internal functions have no symbols to name. The
      // race reported is with the allocation itself, made visible to us only
      // through those atomics (av_buffer_allocz zeroes a pool's buffer
      // right after allocating it).
      "race:av_malloc\n"
      "race:av_buffer_allocz\n";
}
