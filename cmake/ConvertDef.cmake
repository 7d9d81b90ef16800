# The sample "Convert.def" ships beside Nuvela.exe as UTF-16LE with the FF FE mark and CR LF line
# ends, made from the readable UTF-8 source in resources/. The host build makes it too, for the tests.
set(NUVELA_CONVERT_DEF_SOURCE ${CMAKE_SOURCE_DIR}/resources/Convert.def.utf8)
set(NUVELA_CONVERT_DEF ${CMAKE_BINARY_DIR}/Convert.def)
add_custom_command(
    OUTPUT ${NUVELA_CONVERT_DEF}
    COMMAND sh -c "sed 's/$/\\r/' \"$0\" > \"$1.crlf\" && { printf '\\377\\376' && iconv -f UTF-8 -t UTF-16LE \"$1.crlf\"; } > \"$1.tmp\" && rm \"$1.crlf\" && mv \"$1.tmp\" \"$1\""
            ${NUVELA_CONVERT_DEF_SOURCE} ${NUVELA_CONVERT_DEF}
    DEPENDS ${NUVELA_CONVERT_DEF_SOURCE}
    COMMENT "Making Convert.def (UTF-16LE)"
    VERBATIM)
add_custom_target(nuvela_convert_def ALL DEPENDS ${NUVELA_CONVERT_DEF})
