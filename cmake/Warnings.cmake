# Strict warnings for the project's own targets only, never forced on consumers.
function(gpibscope_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion)
endfunction()
