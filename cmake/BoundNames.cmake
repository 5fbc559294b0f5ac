# The GPIB library's 22 names as include/ni488/bound_names.h lists them, for what the build
# writes from them: the version scripts of the bridges and the simulated library, and the
# simulated gpib-32.dll's export table. Sets <prefix>_VARIABLES and <prefix>_FUNCTIONS in the
# caller's scope.
function(gpibscope_bound_names prefix)
  set(header ${PROJECT_SOURCE_DIR}/include/ni488/bound_names.h)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
  # Each entry's first word; the lines end in backslashes, so the text is matched, not split.
  file(READ ${header} text)
  string(REGEX MATCHALL "\n  VARIABLE\\([A-Za-z_]+," variables "${text}")
  string(REGEX MATCHALL "\n  (FUNCTION|OPTIONAL)\\([A-Za-z_]+," functions "${text}")
  list(TRANSFORM variables REPLACE "^.*\\(([A-Za-z_]+),$" "\\1")
  list(TRANSFORM functions REPLACE "^.*\\(([A-Za-z_]+),$" "\\1")
  list(LENGTH variables variableCount)
  list(LENGTH functions functionCount)
  if(NOT variableCount EQUAL 4 OR NOT functionCount EQUAL 18)
    message(FATAL_ERROR "${header}: expected 4 status variables and 18 functions")
  endif()
  set(${prefix}_VARIABLES ${variables} PARENT_SCOPE)
  set(${prefix}_FUNCTIONS ${functions} PARENT_SCOPE)
endfunction()

# Writes a version script exporting names (globs allowed) and keeping everything else local.
function(gpibscope_version_script path comment)
  list(JOIN ARGN ";\n    " names)
  file(CONFIGURE OUTPUT ${path} CONTENT
       "/* ${comment} */\n{\n  global:\n    ${names};\n  local:\n    *;\n};\n")
endfunction()

# Makes target a gpib-32.dll with NI's exports, put in dir: the status variables as exported
# data, the functions undecorated (__stdcall without its @n) — the 18 of the list, or those
# FUNCTIONS names — and any EXTRA names after them.
function(gpibscope_gpib32_dll target dir)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "FUNCTIONS;EXTRA")
  gpibscope_bound_names(bound)
  if(NOT arg_FUNCTIONS)
    set(arg_FUNCTIONS ${bound_FUNCTIONS})
  endif()
  set(variables ${bound_VARIABLES})
  list(TRANSFORM variables APPEND " DATA")
  list(JOIN variables "\n  " variableLines)
  list(JOIN arg_FUNCTIONS "\n  " functionLines)
  set(exports "  ${variableLines}\n  ${functionLines}\n")
  if(arg_EXTRA)
    list(JOIN arg_EXTRA "\n  " extraLines)
    string(APPEND exports "  ${extraLines}\n")
  endif()
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY gpib-32.dll\nEXPORTS\n${exports}")
  target_sources(${target} PRIVATE ${def})
  set_target_properties(${target} PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${dir}
                                             ARCHIVE_OUTPUT_DIRECTORY ${dir})
  target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endfunction()
