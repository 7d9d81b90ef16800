# Compiles the help project in a fresh copy under the build tree (cmake -P; SOURCE_DIR, STAGE_DIR,
# CHMCMD, ICONV and OUTPUT are given by help/CMakeLists.txt).
#
# HTML Help reads the project, the contents and the index in the code page of the help file's
# language, CP932 for Japanese (0x411), so those three are converted; the pages stay UTF-8 and
# declare it themselves. The index stays a text sitemap ("Binary Index=No"): chmcmd would build a
# binary one by reading the sitemap as UTF-8.
file(REMOVE_RECURSE ${STAGE_DIR})
file(MAKE_DIRECTORY ${STAGE_DIR})
file(COPY ${SOURCE_DIR}/_RESOURCE DESTINATION ${STAGE_DIR})
foreach(name Nuvela.hhp toc.hhc index.hhk)
    execute_process(COMMAND ${ICONV} -f UTF-8 -t CP932 ${SOURCE_DIR}/${name}
        OUTPUT_FILE ${STAGE_DIR}/${name} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "help/${name}: cannot convert to CP932 (a character outside the Japanese code page?)")
    endif()
endforeach()

# chmcmd ends with 0 after reporting a link to a missing file, so its report fails the build too.
# Its "Anchor ... undefined" lines are left out: it files an anchor defined in a page under
# _RESOURCE/ by the bare file name, so every such anchor reads as undefined. The anchors are
# checked by tests/e2e/help_file.sh instead.
execute_process(COMMAND ${CHMCMD} Nuvela.hhp WORKING_DIRECTORY ${STAGE_DIR}
    RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
string(REGEX REPLACE "Error: Anchor [^\n]* undefined; first use [^\n]*" "" findings "${report}")
if(NOT status EQUAL 0 OR findings MATCHES "(^|\n)(Error|Warning)")
    message(FATAL_ERROR "chmcmd failed (exit ${status}):\n${report}")
endif()
file(COPY_FILE ${STAGE_DIR}/Nuvela.chm ${OUTPUT})
