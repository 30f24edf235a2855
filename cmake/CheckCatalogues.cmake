# cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<dir> -DVERSION=<x.y.z> -P CheckCatalogues.cmake
#
# Fails when the catalogues and the keys of the sources have drifted apart: the German catalogue
# must translate every key of the template and hold no other, and no catalogue may keep a key
# the sources no longer look up.
find_program(MSGCMP msgcmp REQUIRED)
set(template ${WORK_DIR}/kestrun-widgets.pot)
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR} -DOUTPUT=${template}
                        -DVERSION=${VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/MessageTemplate.cmake
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the template could not be made")
endif()
set(failed FALSE)
execute_process(COMMAND ${MSGCMP} ${SOURCE_DIR}/resources/po/de.po ${template}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  set(failed TRUE)
endif()
file(GLOB catalogues ${SOURCE_DIR}/resources/po/*.po)
foreach(po ${catalogues})
  execute_process(COMMAND ${MSGCMP} --use-untranslated ${template} ${po} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "${po} holds keys the sources no longer look up")
    set(failed TRUE)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "catalogues and template differ (see above)")
endif()
