# System libraries of the shell (window, graphics, images, text, device bus)
# and of the sound engine. Each group becomes one interface target.
pkg_check_modules(DEP_SHELL IMPORTED_TARGET
    x11 xext egl glesv2 gtk+-2.0 gdk-pixbuf-2.0 pango pangocairo gio-2.0 dbus-glib-1)
pkg_check_modules(DEP_SOUND IMPORTED_TARGET
    alsa vorbis ogg gstreamer-1.0)

add_library(vortan_deps_shell INTERFACE)
if(DEP_SHELL_FOUND)
    target_link_libraries(vortan_deps_shell INTERFACE PkgConfig::DEP_SHELL)
endif()
add_library(vortan_deps_sound INTERFACE)
if(DEP_SOUND_FOUND)
    target_link_libraries(vortan_deps_sound INTERFACE PkgConfig::DEP_SOUND)
endif()
