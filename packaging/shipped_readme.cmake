# Writes the README as it ships beside the programs: without the lines that show pictures (the
# pictures are not shipped), with Windows line ends when LINE_ENDS is CRLF (Notepad).
# Usage: cmake -DIN=README.md -DOUT=file -DLINE_ENDS=LF|CRLF -P shipped_readme.cmake
file(STRINGS "${IN}" lines ENCODING UTF-8)
set(text "")
if(LINE_ENDS STREQUAL "CRLF")
  set(end "\r\n")
else()
  set(end "\n")
endif()
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^!\\[")
    string(APPEND text "${line}${end}")
  endif()
endforeach()
file(WRITE "${OUT}" "${text}")
