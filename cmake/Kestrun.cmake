# Shared compile settings for every target of the project.

add_library(kestrun_options INTERFACE)
# Warnings are errors for GCC and clang alike, so that a warning never outlives the change that
# brought it (KESTRUN_WERROR=OFF for a compiler newer than the ones this was written for).
option(KESTRUN_WERROR "Treat compiler warnings as errors" ON)
target_compile_options(kestrun_options INTERFACE -Wall -Wextra)
if(KESTRUN_WERROR)
  target_compile_options(kestrun_options INTERFACE -Werror)
  # GCC 12 warns of overlapping copies inside std::string at -O3 where none can happen (its bug
  # 105651); Release builds would fail on the standard library's code, not ours.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(kestrun_options INTERFACE -Wno-error=restrict)
  endif()
endif()
target_include_directories(kestrun_options INTERFACE ${PROJECT_SOURCE_DIR})

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
# installed: a directory of its own, so nothing there is offered to other programs. Where the
# system has an architecture triplet it is the multiarch private directory
# (/usr/lib/x86_64-linux-gnu/kestrun-widgets): the dynamic linker's cache never looks there, and
# CPack then adds no ldconfig calls to the package's maintainer scripts, as it does for any
# library in /usr/lib or one folder below it.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT CMAKE_INSTALL_LIBDIR MATCHES "${CMAKE_LIBRARY_ARCHITECTURE}$")
  set(KESTRUN_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/${CMAKE_LIBRARY_ARCHITECTURE}/kestrun-widgets)
else()
  set(KESTRUN_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/kestrun-widgets)
endif()
file(RELATIVE_PATH kestrun_libdir_from_program /${CMAKE_INSTALL_BINDIR} /${KESTRUN_PRIVATE_LIBDIR})
set(CMAKE_INSTALL_RPATH "$ORIGIN/${kestrun_libdir_from_program}")
# The build tree is laid out as the installation, so its programs carry the installed path as
# they are built. Otherwise CMake pads the build tree's path with empty entries to make room for
# the rewrite at installation, and the loader reads an empty entry as the current directory.
set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)

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
    target_link_libraries(${name} INTERFACE $<BUILD_INTERFACE:kestrun_options> ${ARG_PUBLIC})
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
  # The warnings and sanitizers are this build's own; what a library asks of whoever uses it,
  # installed or not, is the language version its headers are written in and their root.
  target_link_libraries(${name} PUBLIC $<BUILD_INTERFACE:kestrun_options> ${ARG_PUBLIC}
    PRIVATE ${ARG_PRIVATE})
  target_compile_features(${name} PUBLIC cxx_std_20)
  target_include_directories(${name} PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/kestrun>)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# kestrun_install_naming_bindir(TEMPLATE DESTINATION)
# Installs TEMPLATE (without its .in) into DESTINATION under the prefix, with @KESTRUN_FULL_BINDIR@
# replaced by the installed program directory. That is known only when installing: the package
# installs to /usr whatever the build was configured with.
function(kestrun_install_naming_bindir template destination)
  get_filename_component(name ${template} NAME_WLE)
  install(CODE "
    file(READ \"${template}\" text)
    set(bindir \"${CMAKE_INSTALL_BINDIR}\")
    if(NOT IS_ABSOLUTE \"\${bindir}\")
      set(bindir \"\${CMAKE_INSTALL_PREFIX}/\${bindir}\")
    endif()
    string(REPLACE \"@KESTRUN_FULL_BINDIR@\" \"\${bindir}\" text \"\${text}\")
    set(to \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}\")
    message(STATUS \"Installing: \${to}/${name}\")
    file(MAKE_DIRECTORY \"\${to}\")
    file(WRITE \"\${to}/${name}\" \"\${text}\")")
endfunction()

# kestrun_command_line_docs(PROGRAM)
# The manual page PROGRAM(1) and the bash completion of a program on Foundation's command line,
# printed by the program itself from the declarations its parser reads, so that neither can drift
# from what it accepts. Made by the target PROGRAM-docs (part of `all`) and installed.
function(kestrun_command_line_docs program)
  set(man_page ${CMAKE_CURRENT_BINARY_DIR}/${program}.1.gz)
  set(bash_completion ${CMAKE_CURRENT_BINARY_DIR}/${program}.bash)
  add_custom_command(OUTPUT ${man_page} ${bash_completion}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DBUNDLE=${KESTRUN_BUILD_DATA_DIR}
            -DMAN=${man_page} -DCOMPLETION=${bash_completion}
            -P ${PROJECT_SOURCE_DIR}/cmake/CommandLineDocs.cmake
    DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/CommandLineDocs.cmake
    COMMENT "Writing the manual page and the bash completion of ${program}"
    VERBATIM)
  add_custom_target(${program}-docs ALL DEPENDS ${man_page} ${bash_completion})
  install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${bash_completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME ${program})
endfunction()
