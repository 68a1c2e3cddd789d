# Run by `make install` (cmake --install), when the prefix is known: puts the
# quillmere package in its folder and writes its _paths.py, which finds the
# installed library relative to the package, so that the prefix can move.
# Given: QM_PYTHON, QM_PYTHON_DIR (may be empty), QM_LIBDIR, QM_LIBRARY_FILE,
# QM_SOURCES; CMAKE_INSTALL_PREFIX comes from cmake --install.
cmake_policy(PUSH)
cmake_policy(VERSION 3.25)  # IN_LIST, lists keep empty elements

set(dir "${QM_PYTHON_DIR}")
if(dir STREQUAL "")
  execute_process(COMMAND "${QM_PYTHON}" -c
    "import sys; print('%d.%d' % sys.version_info[:2]); print(';'.join(sys.path))"
    OUTPUT_VARIABLE out RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${QM_PYTHON} does not run: set QM_PYTHON or QM_PYTHON_DIR")
  endif()
  string(REPLACE "\n" ";" lines "${out}")
  list(GET lines 0 version)
  set(dir "lib/python${version}/site-packages")
  # Debian's python3 looks in /usr/local/lib/python3.X/dist-packages, not in
  # site-packages there.
  if("${CMAKE_INSTALL_PREFIX}/lib/python${version}/dist-packages" IN_LIST lines
     AND NOT "${CMAKE_INSTALL_PREFIX}/${dir}" IN_LIST lines)
    set(dir "lib/python${version}/dist-packages")
  endif()
endif()
if(NOT IS_ABSOLUTE "${dir}")
  set(dir "${CMAKE_INSTALL_PREFIX}/${dir}")
endif()
set(package "${dir}/quillmere")
file(INSTALL ${QM_SOURCES} DESTINATION "$ENV{DESTDIR}${package}")
file(RELATIVE_PATH relative "${package}" "${CMAKE_INSTALL_PREFIX}/${QM_LIBDIR}/${QM_LIBRARY_FILE}")
message(STATUS "Installing: $ENV{DESTDIR}${package}/_paths.py")
file(WRITE "$ENV{DESTDIR}${package}/_paths.py"
"# Written by make install: the library, relative to this package.
import os

LIBRARY = os.path.normpath(os.path.join(os.path.dirname(__file__), \"${relative}\"))
")
cmake_policy(POP)
