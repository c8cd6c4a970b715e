// Linked into the test programs of sanitizer builds: leaks reported inside
// the system's libraries when a test process ends (caches of fonts, codecs
// and the media framework that are never freed) are not ours.
extern "C" const char *__lsan_default_suppressions() {
  return
      "leak:libQt6Core.so\n"
      "leak:libQt6Gui.so\n"
      "leak:libQt6Widgets.so\n"
      "leak:libQt6Multimedia.so\n"
      "leak:libfontconfig.so\n"
      "leak:libfreetype.so\n"
      "leak:libharfbuzz.so\n"
      "leak:libglib-2.0.so\n"
      "leak:libgobject-2.0.so\n"
      "leak:libgio-2.0.so\n"
      "leak:libgst\n"
      "leak:libpulse\n"
      "leak:libdbus-1.so\n"
      "leak:libvpx.so\n"
      "leak:librsvg-2.so\n"
      "leak:libxcb\n"
      "leak:libX11\n"
      "leak:libxml2.so\n"
      "leak:libsrt\n"
      "leak:libgnutls\n"
      "leak:_dl_resize_dtv\n";
}

// Loading a module after the many libraries the media libraries pull in
// makes the C library grow its thread-local storage table, and the leak
// checker's scan of that storage then crashes; it scans without it.
extern "C" const char *__lsan_default_options() { return "use_tls=0"; }
