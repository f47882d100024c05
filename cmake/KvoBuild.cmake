# Build rules shared by every folder.

add_compile_options(-Wall -Wextra)
# tools/build (and so CI) turns this on, so that the tree stays as clean as
# it builds today.
option(KVO_WERROR "Fail the build on any compiler warning" OFF)
if(KVO_WERROR)
  add_compile_options(-Werror)
endif()

if(KVO_SANITIZE STREQUAL "address")
  # float-cast-overflow (a real number out of an integer's range) is not
  # part of "undefined" with GCC; lengths and positions worked out from a
  # file's headers are where it would strike.
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined,float-cast-overflow)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
elseif(KVO_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT KVO_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KVO_SANITIZE must be empty, 'address' or 'thread'")
endif()

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

# kvo_library(<target> [DEPS <targets...>])
# A static library made of every .cpp file of the calling folder (not its
# subfolders, which are libraries of their own). Headers are included by
# their path from the top of the source tree. A folder without sources yet
# gives an interface library, so the targets that link it still configure.
function(kvo_library target)
  cmake_parse_arguments(KL "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  foreach(ex IN LISTS KL_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${ex})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${KL_DEPS} Threads::Threads)
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${KL_DEPS} Threads::Threads)
  endif()
endfunction()

# Adds every direct subfolder of the calling folder that has a CMakeLists.txt.
# kvo_add_subfolders([EXCLUDE <names...>])
function(kvo_add_subfolders)
  cmake_parse_arguments(KA "" "" "EXCLUDE" ${ARGN})
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    get_filename_component(name ${child} NAME)
    if(name IN_LIST KA_EXCLUDE)
      continue()
    endif()
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# Debian's libraries, as imported targets PkgConfig::<NAME>.
pkg_check_modules(MAD REQUIRED IMPORTED_TARGET mad)
pkg_check_modules(LAME REQUIRED IMPORTED_TARGET lame)
pkg_check_modules(SAMPLERATE REQUIRED IMPORTED_TARGET samplerate)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(PANGOCAIRO REQUIRED IMPORTED_TARGET pangocairo)
pkg_check_modules(FFTW3F REQUIRED IMPORTED_TARGET fftw3f)

