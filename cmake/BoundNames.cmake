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
