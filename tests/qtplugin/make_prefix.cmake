# The prefix the Qt plugin tests read through, made afresh: the plugins as
# `cmake --install` lays them out (component qt-image-plugins of BUILD), and
# the texture type (XML) as shared-mime-info builds it: put under
# PREFIX/share/mime/packages and compiled by update-mime-database, which
# fails on anything it does not accept.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                        --component qt-image-plugins
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install: ${result}")
endif()

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
