# Installs a desktop entry or a thumbnailer entry whose program is named by
# its installed path, so that the entry works when the prefix's bin folder is
# not on PATH. Run at install time (install(CODE) sets the variables), when
# CMAKE_INSTALL_PREFIX is the prefix actually installed to (cmake --install
# --prefix); DESTDIR is honoured by file(INSTALL) and does not appear in the
# paths written.
#
#   QM_ENTRY_TEMPLATE  the template; @QM_APP_PATH@ / @QM_CLI_PATH@ become the
#                      programs' paths as a key file value (TryExec=),
#                      @QM_APP_EXEC@ / @QM_CLI_EXEC@ the same quoted as the
#                      first word of an Exec= line
#   QM_ENTRY_NAME      the installed file's name
#   QM_ENTRY_DIR       its folder, relative to the prefix
#   QM_ENTRY_BINDIR    the programs' folder, relative to the prefix (or absolute)
#   QM_ENTRY_STAGING   a folder of the build where the file is made

# A key file value: a backslash is written "\\".
function(qm_key_file_value out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The first word of an Exec= line: in double quotes, with ", `, $ and \
# escaped by a backslash and % doubled (the desktop entry rules, which the
# thumbnailer's Exec shares), then written as a key file value.
function(qm_exec_word out path)
  string(REPLACE "\\" "\\\\" path "${path}")
  string(REPLACE "\"" "\\\"" path "${path}")
  string(REPLACE "`" "\\`" path "${path}")
  string(REPLACE "$" "\\$" path "${path}")
  string(REPLACE "%" "%%" path "${path}")
  qm_key_file_value(path "\"${path}\"")
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

cmake_path(ABSOLUTE_PATH QM_ENTRY_BINDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
           NORMALIZE OUTPUT_VARIABLE qm_bindir)
cmake_path(APPEND qm_bindir "quillmere" OUTPUT_VARIABLE qm_app)
cmake_path(APPEND qm_bindir "quillmere-cli" OUTPUT_VARIABLE qm_cli)
qm_key_file_value(QM_APP_PATH "${qm_app}")
qm_key_file_value(QM_CLI_PATH "${qm_cli}")
qm_exec_word(QM_APP_EXEC "${qm_app}")
qm_exec_word(QM_CLI_EXEC "${qm_cli}")
configure_file("${QM_ENTRY_TEMPLATE}" "${QM_ENTRY_STAGING}/${QM_ENTRY_NAME}" @ONLY)
file(INSTALL "${QM_ENTRY_STAGING}/${QM_ENTRY_NAME}"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${QM_ENTRY_DIR}")
