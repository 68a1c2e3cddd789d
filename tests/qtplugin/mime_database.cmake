# The texture type as shared-mime-info builds it: XML is put under
# PREFIX/share/mime/packages and update-mime-database compiles the folder,
# failing on anything it does not accept.
file(MAKE_DIRECTORY ${PREFIX}/share/mime/packages)
configure_file(${XML} ${PREFIX}/share/mime/packages/quillmere.xml COPYONLY)
find_program(UPDATE_MIME update-mime-database REQUIRED)
# Run as the tests see it (XDG_DATA_HOME), so that it does not warn of a
# folder no program searches.
execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${PREFIX}/share
                        ${UPDATE_MIME} ${PREFIX}/share/mime
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT errors STREQUAL "")
  message(FATAL_ERROR "update-mime-database: ${result} ${errors}")
endif()
