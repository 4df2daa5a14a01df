# Writes the README as it ships beside the programs: without the lines that show pictures (the
# pictures are not shipped) and without what is only for those with the sources (between
# "<!-- sources -->" and "<!-- /sources -->": the scripts, the developers' page), with Windows
# line ends when LINE_ENDS is CRLF (Notepad).
# Usage: cmake -DIN=README.md -DOUT=file -DLINE_ENDS=LF|CRLF -P shipped_readme.cmake
file(STRINGS "${IN}" lines ENCODING UTF-8)
set(text "")
if(LINE_ENDS STREQUAL "CRLF")
  set(end "\r\n")
else()
  set(end "\n")
endif()
set(for_sources OFF)
foreach(line IN LISTS lines)
  if(line STREQUAL "<!-- sources -->")
    set(for_sources ON)
  elseif(line STREQUAL "<!-- /sources -->")
    set(for_sources OFF)
  elseif(NOT for_sources AND NOT line MATCHES "^!\\[")
    string(APPEND text "${line}${end}")
  endif()
endforeach()
file(WRITE "${OUT}" "${text}")
