# SPDX-License-Identifier: GPL-3.0-or-later
# Lays out the demo folder DEMO_DIR: charts/ with a synthetic scan and its
# file context, run/ with the default parameter file and a settings store
# naming the scan, and glade/ pointing at the UI definition, so that a start
# in run/ finds everything as a run from the source tree does.
foreach(var CHARTSYNTH SOURCE_DIR DEMO_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeDemo.cmake needs -D${var}=...")
  endif()
endforeach()

set(scan ${DEMO_DIR}/charts/x0701.tif)
file(REMOVE_RECURSE ${DEMO_DIR})
file(MAKE_DIRECTORY ${DEMO_DIR}/charts ${DEMO_DIR}/run)
execute_process(
  COMMAND ${CHARTSYNTH} --seed 7 --dpi 200 --format tif --rotate 0.6 --noise 3 -o ${scan}
  OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "chartsynth could not make the demo scan (${status})")
endif()
file(COPY ${SOURCE_DIR}/run/vellora.ini DESTINATION ${DEMO_DIR}/run)
file(WRITE ${DEMO_DIR}/run/vellora.ctx "fileName=${scan}\n")
file(CREATE_LINK ${SOURCE_DIR}/glade ${DEMO_DIR}/glade SYMBOLIC)
