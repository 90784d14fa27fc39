# Writes a UTF-8 text file as UTF-16LE with the FF FE mark and CR LF line
# ends, the form the program's INI readers take. Invalid UTF-8 fails the step.
# Arguments: -DSRC=<UTF-8 file> -DDST=<output file> -DICONV=<iconv program>
file(READ "${SRC}" text)
string(ASCII 239 187 191 utf8Mark)
string(REGEX REPLACE "^${utf8Mark}" "" text "${text}")
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
set(staged "${DST}.utf8")
file(WRITE "${staged}" "${utf8Mark}${text}")
execute_process(COMMAND "${ICONV}" -f UTF-8 -t UTF-16LE "${staged}"
                OUTPUT_FILE "${DST}.part" RESULT_VARIABLE failed)
file(REMOVE "${staged}")
if(failed)
  file(REMOVE "${DST}.part")
  message(FATAL_ERROR "${SRC} is not valid UTF-8 text")
endif()
file(RENAME "${DST}.part" "${DST}")
