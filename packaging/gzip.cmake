# cmake -DIN=<file> -DOUT=<file.gz> -P gzip.cmake
# Compresses IN into OUT as Debian wants its manual pages and changelogs:
# best compression, no name or time stamp in the header (so the same text
# always gives the same bytes). IN is left as it is.
execute_process(
  COMMAND gzip -9 -n -c "${IN}"
  OUTPUT_FILE "${OUT}.tmp"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}.tmp")
  message(FATAL_ERROR "${IN} cannot be compressed")
endif()
file(RENAME "${OUT}.tmp" "${OUT}")
