# cmake -DSOURCE_DIR=<repository> -DOUTPUT=<file.pot> -DVERSION=<x.y.z> -P MessageTemplate.cmake
#
# Writes the message template: every key xgettext finds in the sources (a single literal given
# to Text, LocalizedStringKey or localizedString, and the widget gallery's names and
# descriptions), merged with resources/po/composed.pot, the keys it cannot see. The template
# carries no creation date, so that regenerating it from the same sources changes nothing.
find_program(XGETTEXT xgettext REQUIRED)
find_program(MSGCAT msgcat REQUIRED)
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/KestrunWidgetKit/*.cpp ${SOURCE_DIR}/KestrunWidgets/*.cpp
  ${SOURCE_DIR}/Platform/*.cpp)
list(SORT sources)
set(extracted ${OUTPUT}.extracted)
execute_process(
  COMMAND ${XGETTEXT} --from-code=UTF-8 --language=C++ --no-location --sort-output --no-wrap
          --keyword --keyword=Text:1,1t --keyword=LocalizedStringKey:1,1t
          --keyword=localizedString:1,1t --keyword=configurationDisplayName:1
          --keyword=description:1 --package-name=kestrun-widgets --package-version=${VERSION}
          -o ${extracted} ${sources}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE status
  ERROR_VARIABLE messages)
# Text("") is the empty unit run, not a key, and the project has no address for reports on its
# texts: the warnings about either are expected.
string(REGEX REPLACE "[^\n]*(Empty msgid|msgid-bugs-address)[^\n]*\n([ \t]+[^\n]*\n|\n)*" ""
       messages "${messages}")
if(NOT status EQUAL 0 OR messages MATCHES "[^ \n\t]")
  message(FATAL_ERROR "xgettext: ${messages}")
endif()
file(READ ${extracted} text)
string(REPLACE "charset=CHARSET" "charset=UTF-8" text "${text}")
file(WRITE ${extracted} "${text}")
execute_process(
  COMMAND ${MSGCAT} --use-first --sort-output --no-wrap -o ${OUTPUT}.merged ${extracted}
          ${SOURCE_DIR}/resources/po/composed.pot
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "msgcat failed")
endif()
file(READ ${OUTPUT}.merged template)
string(REGEX REPLACE "\"POT-Creation-Date: [^\"]*\"\n" "" template "${template}")
file(WRITE ${OUTPUT} "${template}")
file(REMOVE ${extracted} ${OUTPUT}.merged)
