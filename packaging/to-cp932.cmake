# cmake -DIN=<utf-8 text> -DOUT=<file> -P to-cp932.cmake
# Writes IN as a Windows Japanese text file: CR LF line ends, code page 932.
# Used for the sample settings and list files, which the program (like the
# other EDI programs sharing them) reads in that code page.
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}.utf8" "${text}")
execute_process(
  COMMAND iconv -f UTF-8 -t CP932 "${OUT}.utf8"
  OUTPUT_FILE "${OUT}.tmp"
  RESULT_VARIABLE rc)
file(REMOVE "${OUT}.utf8")
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}.tmp")
  message(FATAL_ERROR "${IN} cannot be written in code page 932")
endif()
file(RENAME "${OUT}.tmp" "${OUT}")
