# cmake -DPROGRAM=... -DARGS="a b" -DOUTPUT=file [-DWRAP_HELP=name ...] -P CaptureOutput.cmake
# Runs a program and keeps what it prints in a file; fails the build when the program fails,
# so a broken help text never turns into an empty manual page.
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{KAVELTAR_LOG} off)
separate_arguments(ARGS UNIX_COMMAND "${ARGS}")
execute_process(COMMAND ${PROGRAM} ${ARGS} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "${PROGRAM} ${ARGS} failed: ${rc}")
endif()
if(WRAP_HELP)
  # A plain --help text becomes a manual page: name line, then the text kept as written.
  file(READ ${OUTPUT} help)
  string(REPLACE "${PROGRAM}" "${WRAP_HELP}" help "${help}")
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "\n\\." "\n\\\\&." help "${help}")
  string(REGEX REPLACE "\n'" "\n\\\\&'" help "${help}")
  string(TOUPPER "${WRAP_HELP}" upper)
  file(WRITE ${OUTPUT}
    ".\\\" Generated from ${WRAP_HELP} --help; do not edit.\n"
    ".TH ${upper} 1 \"\" \"kaveltar ${VERSION}\" \"Comandi utente\"\n"
    ".SH NOME\n${WRAP_HELP} \\- ${SUMMARY}\n"
    ".SH DESCRIZIONE\n${DESCRIPTION}\n"
    ".SH USO\n.nf\n${help}.fi\n"
    ".SH VEDERE ANCHE\n.BR kaveltar\\-cli (1)\n")
endif()
