# System libraries of the shell (window, graphics, images, text, device bus)
# and of the sound engine. Each group becomes one interface target; a missing
# package stops the configuration.
pkg_check_modules(DEP_SHELL REQUIRED IMPORTED_TARGET
    x11 xext egl glesv2 gtk+-2.0 gdk-pixbuf-2.0 pango pangocairo gio-2.0 dbus-glib-1)
pkg_check_modules(DEP_SOUND REQUIRED IMPORTED_TARGET
    alsa vorbis ogg gstreamer-1.0)

add_library(vortan_deps_shell INTERFACE)
target_link_libraries(vortan_deps_shell INTERFACE PkgConfig::DEP_SHELL)
add_library(vortan_deps_sound INTERFACE)
target_link_libraries(vortan_deps_sound INTERFACE PkgConfig::DEP_SOUND)
