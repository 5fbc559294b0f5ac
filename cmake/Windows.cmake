# Windows resources from the tables the POSIX build compiles in. The resource compiler writes a
# quote inside a string as "" where C writes \", so the string table is copied with its quotes
# rewritten, as strings.rc.inc in directory, for a .rc file to include. Texts are UTF-8
# (windres -c 65001); the module reads them in the system's ANSI code page.
function(gpibscope_resource_strings table directory)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
  file(READ ${table} text)
  string(REPLACE "\\\"" "\"\"" text "${text}")
  file(WRITE ${directory}/strings.rc.inc.new "${text}")
  file(COPY_FILE ${directory}/strings.rc.inc.new ${directory}/strings.rc.inc ONLY_IF_DIFFERENT)
endfunction()
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

# A header-only library of the build machine (toml++, CLI11) for the cross build: its headers
# through a directory that holds nothing else, so the cross compiler keeps its own system headers.
function(gpibscope_host_header_library target subdirectory)
  if(TARGET ${target})
    return()
  endif()
  set(root ${CMAKE_BINARY_DIR}/host-headers/${subdirectory})
  if(NOT EXISTS ${root}/${subdirectory})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK /usr/include/${subdirectory} ${root}/${subdirectory} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${target} SYSTEM INTERFACE ${root})
endfunction()
