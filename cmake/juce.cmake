# JUCE, compiled once from Debian's module sources into one static target.
# This target never sees a Qt header; our code links it PRIVATE.
set(JUCE_MODULES_DIR /usr/share/juce/modules CACHE PATH "JUCE module sources")
if(NOT EXISTS ${JUCE_MODULES_DIR}/juce_core/juce_core.h)
  message(FATAL_ERROR "JUCE module sources not found in ${JUCE_MODULES_DIR} (install juce-modules-source-data)")
endif()

pkg_check_modules(JUCE_DEPS REQUIRED IMPORTED_TARGET flac vorbis vorbisenc vorbisfile ogg zlib libcurl)

set(SPOOLBOX_JUCE_DEFINITIONS
  JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
  JUCE_STANDALONE_APPLICATION=1
  JUCE_MODULE_AVAILABLE_juce_core=1
  JUCE_MODULE_AVAILABLE_juce_events=1
  JUCE_MODULE_AVAILABLE_juce_audio_basics=1
  JUCE_MODULE_AVAILABLE_juce_audio_formats=1
  JUCE_USE_CURL=1
  JUCE_LOAD_CURL_SYMBOLS_LAZILY=0
  JUCE_USE_FLAC=1
  JUCE_USE_OGGVORBIS=1
  JUCE_INCLUDE_FLAC_CODE=0
  JUCE_INCLUDE_OGGVORBIS_CODE=0
  JUCE_INCLUDE_ZLIB_CODE=0
  JUCE_USE_MP3AUDIOFORMAT=0
  JUCE_DISPLAY_SPLASH_SCREEN=0
  JUCE_WEB_BROWSER=0
  JUCE_STRICT_REFCOUNTEDPOINTER=1
  $<$<CONFIG:Debug>:DEBUG=1 _DEBUG=1>
  $<$<NOT:$<CONFIG:Debug>>:NDEBUG=1>)

add_library(spoolbox_juce STATIC
  ${JUCE_MODULES_DIR}/juce_core/juce_core.cpp
  ${JUCE_MODULES_DIR}/juce_events/juce_events.cpp
  ${JUCE_MODULES_DIR}/juce_audio_basics/juce_audio_basics.cpp
  ${JUCE_MODULES_DIR}/juce_audio_formats/juce_audio_formats.cpp)
target_compile_definitions(spoolbox_juce PUBLIC ${SPOOLBOX_JUCE_DEFINITIONS})
target_include_directories(spoolbox_juce SYSTEM PUBLIC ${JUCE_MODULES_DIR})
target_compile_options(spoolbox_juce PRIVATE -w)
target_link_libraries(spoolbox_juce PUBLIC PkgConfig::JUCE_DEPS Threads::Threads ${CMAKE_DL_LIBS} rt)
