# The skin images are drawn at build time by VST/sampler/skins/make_skins.py
# (Pillow and NumPy, fonts from Debian's packages; tools/setup.sh installs
# them) and go into the libraries as resources of type "PNG".

# Debian's interpreter: the one that python3-pil and python3-numpy serve,
# whatever python3 comes first on the PATH.
set(KORVO_SKIN_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 with Pillow and NumPy, for the skin images")
execute_process(COMMAND ${KORVO_SKIN_PYTHON} -c "import PIL, numpy"
  RESULT_VARIABLE korvo_skin_python_result OUTPUT_QUIET ERROR_QUIET)
if(NOT korvo_skin_python_result EQUAL 0)
  message(FATAL_ERROR "${KORVO_SKIN_PYTHON} lacks Pillow or NumPy (the skin images need them): run tools/setup.sh")
endif()

# korvo_png_resources(<rc file> <image folder> <name>...): a resource script
# with one "PNG" resource per name, read from <image folder>/<name>.png.
# Written only when its text changes, so that a new configure run rebuilds
# nothing.
function(korvo_png_resources rc folder)
  # Names are quoted, since some (SCROLLBAR) are words of the resource
  # language; a LANGUAGE line (US English, windres' default) before each
  # keeps it from running into the file name above it, as adjacent strings
  # join.
  set(lines "")
  foreach(name IN LISTS ARGN)
    string(APPEND lines "LANGUAGE 9, 1\n\"${name}\" PNG \"${folder}/${name}.png\"\n")
  endforeach()
  file(CONFIGURE OUTPUT ${rc} CONTENT "${lines}" @ONLY)
endfunction()
