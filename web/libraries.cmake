# The libraries scripts/web.sh builds for the page from Debian's source
# packages, under the names the native build finds its own by.
set(KESTREL_WEB_LIBS "" CACHE PATH "Where scripts/web.sh installed the page's libraries")
if(NOT EXISTS "${KESTREL_WEB_LIBS}/lib/libSDL2.a")
  message(FATAL_ERROR "KESTREL_WEB_LIBS does not hold the page's libraries; build with scripts/web.sh build")
endif()

function(kestrel_web_library name file)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION "${KESTREL_WEB_LIBS}/lib/${file}"
    INTERFACE_INCLUDE_DIRECTORIES "${KESTREL_WEB_LIBS}/include" INTERFACE_LINK_LIBRARIES "${ARGN}")
endfunction()

kestrel_web_library(ZLIB::ZLIB libz.a)
kestrel_web_library(PkgConfig::LIBDEFLATE libdeflate.a)
kestrel_web_library(PNG::PNG libpng16.a ZLIB::ZLIB)
kestrel_web_library(JPEG::JPEG libjpeg.a)
kestrel_web_library(kestrel_web_freetype libfreetype.a ZLIB::ZLIB)
kestrel_web_library(PkgConfig::SDL2 libSDL2.a)
# The code includes <SDL.h>, as SDL's own pkg-config file has it.
set_property(TARGET PkgConfig::SDL2 APPEND PROPERTY INTERFACE_INCLUDE_DIRECTORIES "${KESTREL_WEB_LIBS}/include/SDL2")
kestrel_web_library(PkgConfig::SDL2_MIXER libSDL2_mixer.a PkgConfig::SDL2)
kestrel_web_library(PkgConfig::SDL2_TTF libSDL2_ttf.a PkgConfig::SDL2 kestrel_web_freetype)
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${KESTREL_WEB_LIBS}/include")

# The game ends by throwing to main, and its loaders catch what they throw.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

# Debian's emscripten runs its JS tools with the system's node; a node not
# built by Debian (NodeSource's) does not look in Debian's module folder,
# where those tools find acorn.
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
