# Shared compile settings for every target of the project.

add_library(kestrun_options INTERFACE)
# Warnings are errors for GCC and clang alike, so that a warning never outlives the change that
# brought it (KESTRUN_WERROR=OFF for a compiler newer than the ones this was written for).
option(KESTRUN_WERROR "Treat compiler warnings as errors" ON)
target_compile_options(kestrun_options INTERFACE $<BUILD_INTERFACE:-Wall -Wextra>)
if(KESTRUN_WERROR)
  target_compile_options(kestrun_options INTERFACE $<BUILD_INTERFACE:-Werror>)
endif()
target_include_directories(kestrun_options INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/kestrun>)

if(KESTRUN_SANITIZE)
  target_compile_options(kestrun_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kestrun_options INTERFACE -fsanitize=address,undefined)
endif()
if(KESTRUN_FUZZ)
  target_compile_options(kestrun_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(kestrun_options INTERFACE -fsanitize=address,undefined)
endif()

# Where the program finds its shared layers and its desktop module, in the build tree as once
# installed: a directory of its own, so nothing there is offered to other programs.
set(KESTRUN_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/kestrun-widgets)
file(RELATIVE_PATH kestrun_libdir_from_program /${CMAKE_INSTALL_BINDIR} /${KESTRUN_PRIVATE_LIBDIR})
set(CMAKE_INSTALL_RPATH "$ORIGIN/${kestrun_libdir_from_program}")

# kestrun_library(NAME DIR [SHARED] [PUBLIC deps...] [PRIVATE deps...])
# A static library of every .cpp in DIR but main.cpp (sources are globbed so that new units
# need no edit here). SHARED makes it a versioned shared library instead: a layer that the
# program and its desktop module both use must exist once in the process, or each would have
# its own clock, caches and registrations.
function(kestrun_library name dir)
  cmake_parse_arguments(ARG "SHARED" "" "PUBLIC;PRIVATE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(REMOVE_ITEM sources ${dir}/main.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${dir}/*.h)
  if(NOT sources)
    # A unit that has no sources yet is an interface library, so that dependants link already.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE kestrun_options ${ARG_PUBLIC})
    return()
  endif()
  if(ARG_SHARED)
    add_library(${name} SHARED ${sources} ${headers})
    set_target_properties(${name} PROPERTIES
      VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${KESTRUN_PRIVATE_LIBDIR}
      INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${name} LIBRARY DESTINATION ${KESTRUN_PRIVATE_LIBDIR} NAMELINK_SKIP)
  else()
    add_library(${name} STATIC ${sources} ${headers})
  endif()
  target_link_libraries(${name} PUBLIC kestrun_options ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()
