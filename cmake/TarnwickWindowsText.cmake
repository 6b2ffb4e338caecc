# cmake [-DGROFF=<groff>] -DINPUT=<file> -DOUTPUT=<file> -P TarnwickWindowsText.cmake
#
# Writes INPUT as plain text with CRLF line ends, which a Windows user can
# read. With GROFF, INPUT is a manual page, rendered without bold,
# underline or colour.
if(GROFF)
  execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou ${INPUT}
                  OUTPUT_VARIABLE text RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${GROFF} could not render ${INPUT}")
  endif()
else()
  file(READ ${INPUT} text)
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
