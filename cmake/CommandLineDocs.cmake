# Writes the manual page (gzipped, without a timestamp, so the package is reproducible) and the
# bash completion, both printed by the program itself from its option declarations.
#   cmake -DPROGRAM=… -DBUNDLE=… -DMAN=….1.gz -DCOMPLETION=… -P CommandLineDocs.cmake
set(ENV{LC_ALL} C.UTF-8)
set(ENV{LANGUAGE} "")
set(ENV{KESTRUN_BUNDLE} ${BUNDLE})
set(ENV{ASAN_OPTIONS} detect_leaks=0)
get_filename_component(man_page ${MAN} NAME_WLE)
get_filename_component(dir ${MAN} DIRECTORY)
execute_process(COMMAND ${PROGRAM} --manual-page OUTPUT_FILE ${dir}/${man_page}
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND gzip -9nc ${dir}/${man_page} OUTPUT_FILE ${MAN} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${PROGRAM} --bash-completion OUTPUT_FILE ${COMPLETION}
  COMMAND_ERROR_IS_FATAL ANY)
