# The package as a user gets it: the library and the package installed into
# a fresh prefix, then imported by PYTHON with nothing but the package folder
# on its path; it must load the prefix's library, also after the prefix moved.
#
#   cmake -DBUILD_DIR=... -DPYTHON=... -DWORK_DIR=... -P install_check.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/RunChecked.cmake)

set(check [=[
import os, sys
import quillmere
from quillmere import _library
prefix = os.path.realpath(sys.argv[1])
assert os.path.realpath(_library.LIB._name).startswith(prefix + os.sep), _library.LIB._name
pvz, _ = quillmere.write(b"\x10\x20\x30\xff" * 4, width=2, height=2, pixel_format=2,
                         data_format=1, header=bytes(12))
assert quillmere.read(pvz).rgba == b"\x11\x22\x33\xff" * 4
print("ok", _library.LIB._name)
]=])

file(REMOVE_RECURSE ${WORK_DIR})
foreach(part src/capi python)
  run(${CMAKE_COMMAND} --install ${BUILD_DIR}/${part} --prefix ${WORK_DIR}/prefix)
endforeach()
foreach(prefix prefix moved)
  if(prefix STREQUAL "moved")
    file(RENAME ${WORK_DIR}/prefix ${WORK_DIR}/moved)
  endif()
  file(GLOB_RECURSE init ${WORK_DIR}/${prefix}/__init__.py)
  list(FILTER init INCLUDE REGEX "/quillmere/__init__.py$")
  get_filename_component(package ${init} DIRECTORY)
  get_filename_component(site ${package} DIRECTORY)
  run(${CMAKE_COMMAND} -E env --unset=QUILLMERE_LIBRARY --unset=LD_LIBRARY_PATH
      PYTHONPATH=${site} PYTHONDONTWRITEBYTECODE=1
      ${PYTHON} -c "${check}" ${WORK_DIR}/${prefix})
  message(STATUS "${run_output}")
endforeach()
