# Writes the viewer template: the page with its styles and scripts, dygraphs among them,
# inlined, so that the page a host fills needs nothing but itself.
#   cmake -DPAGE=... -DVIEWER_JS=... -DVIEWER_MATH_JS=... -DVIEWER_CSS=... -DDYGRAPHS_JS=...
#         -DDYGRAPHS_CSS=... -DFFT_JS=... -DOUTPUT=... -P assemble.cmake
file(READ ${PAGE} page)
foreach(part VIEWER_JS VIEWER_MATH_JS VIEWER_CSS DYGRAPHS_JS DYGRAPHS_CSS FFT_JS)
  file(READ ${${part}} text)
  # The library names its licence by web address and its source map by file name: neither
  # may lead a browser to ask for anything; the licence is the Debian package's.
  string(REGEX REPLACE "https?://[^ ]*LICENSE[^ ]*" "dygraphs, /usr/share/doc/libjs-dygraphs/copyright"
                       text "${text}")
  string(REGEX REPLACE "\n//# sourceMappingURL=[^\n]*" "" text "${text}")
  string(REGEX REPLACE "/\\*# sourceMappingURL=[^*]*\\*/" "" text "${text}")
  # A script ends at the first "</script": none may end early.
  string(REGEX REPLACE "</([sS][cC][rR][iI][pP][tT])" "<\\\\/\\1" text "${text}")
  string(REPLACE "@${part}@" "${text}" page "${page}")
endforeach()
foreach(scheme "http:" "https:")
  string(FIND "${page}" "${scheme}" found)
  if(NOT found EQUAL -1)
    message(FATAL_ERROR "the viewer template would refer to the network (${scheme})")
  endif()
endforeach()
file(WRITE ${OUTPUT} "${page}")
