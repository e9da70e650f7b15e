# Each layer is compiled with its own include folders only (see "Layers" in
# docs/developing.md): a header of its own or of a layer below it compiles,
# and one of a layer above it, or of a backend beside it, does not. Run by
# CTest with each layer's include folders and the compiler.
set(cases
  "SEAM kestrel/base/faults.h compiles"
  "SEAM kestrel/platform/input_script.h compiles"
  "SEAM kestrel/error.h fails"
  "SEAM kestrel/platform/sdl/sdl_display.h fails"
  "SEAM kestrel/platform/headless/headless.h fails"
  "BASE kestrel/platform/result.h fails"
  "SDL kestrel/platform/sdl/sdl_record.h compiles"
  "SDL kestrel/platform/headless/headless.h fails"
  "SDL kestrel/kestrel.h fails"
  "HEADLESS kestrel/platform/sdl/sdl_display.h fails"
  "ENGINE kestrel/platform/input.h compiles"
  "ENGINE kestrel/platform/headless/headless.h fails"
  "ENGINE morlo3/game_state.h fails")
file(MAKE_DIRECTORY ${SCRATCH})
set(wrong "")
foreach(case ${cases})
  separate_arguments(case)
  list(GET case 0 layer)
  list(GET case 1 header)
  list(GET case 2 want)
  set(flags "")
  foreach(dir ${${layer}})
    list(APPEND flags -I${dir})
  endforeach()
  file(WRITE ${SCRATCH}/probe.cpp "#include \"${header}\"\n")
  execute_process(COMMAND ${COMPILER} -std=c++20 -fsyntax-only ${flags} ${SCRATCH}/probe.cpp
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(want STREQUAL "compiles" AND NOT result EQUAL 0)
    string(APPEND wrong "${layer} cannot include ${header}:\n${out}\n")
  elseif(want STREQUAL "fails" AND result EQUAL 0)
    string(APPEND wrong "${layer} includes ${header}, which lies above it\n")
  elseif(want STREQUAL "fails" AND NOT out MATCHES "${header}: No such file")
    string(APPEND wrong "${layer} fails on ${header} for another reason:\n${out}\n")
  endif()
endforeach()
if(wrong)
  message(FATAL_ERROR "${wrong}")
endif()
