# Strict warnings for the project's own targets only, never forced on consumers (nor on the
# resource compiler).
function(gpibscope_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion>)
endfunction()
