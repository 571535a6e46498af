# cmake -DIN=<utf-8 text> -DOUT=<file> -P to-cp932.cmake
# Writes IN as a Windows Japanese text file: CR LF line ends, code page 932.
# Used for the sample settings and list files, which the program (like the
# other EDI programs sharing them) reads in that code page.
#
# The intermediate files are named after OUT with suffixes of their own, never
# after IN: IN may be a file that configuration wrote (EDI.ini.utf8), and a
# build step that removed or rewrote it would leave the next build without
# its input.
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
set(crlf "${OUT}.crlf.tmp")
file(WRITE "${crlf}" "${text}")
execute_process(
  COMMAND iconv -f UTF-8 -t CP932 "${crlf}"
  OUTPUT_FILE "${OUT}.tmp"
  RESULT_VARIABLE rc)
file(REMOVE "${crlf}")
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}.tmp")
  message(FATAL_ERROR "${IN} cannot be written in code page 932")
endif()
file(RENAME "${OUT}.tmp" "${OUT}")
