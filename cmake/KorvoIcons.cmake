# Program icons are drawn at build time by VST/shell/icons/make_icon.py
# (Pillow, the skins' interpreter).
include(KorvoSkins)

# korvo_program_icon(<kind> <output .ico>): kind is "host" or "converter".
# List the output among the sources of the target whose resource script
# includes it, and give that script OBJECT_DEPENDS on it.
function(korvo_program_icon kind output)
  set(script ${CMAKE_SOURCE_DIR}/VST/shell/icons/make_icon.py)
  add_custom_command(OUTPUT ${output}
    COMMAND ${KORVO_SKIN_PYTHON} ${script} ${kind} ${output}
    DEPENDS ${script}
    COMMENT "Drawing the ${kind} icon"
    VERBATIM)
endfunction()

# korvo_program_resources(<out var> <resource script .rc.in> <icon kind>): the
# program's icon drawn into the binary folder and its resource script
# configured there, naming the icon as @KORVO_PROGRAM_ICON@ and rebuilt when
# the icon changes (windres writes no dependency file). <out var> receives
# both, for the sources of the target that carries the resources.
function(korvo_program_resources out script kind)
  set(KORVO_PROGRAM_ICON ${CMAKE_CURRENT_BINARY_DIR}/korvo-${kind}.ico)
  korvo_program_icon(${kind} ${KORVO_PROGRAM_ICON})
  get_filename_component(name ${script} NAME_WLE)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name})
  configure_file(${script} ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${KORVO_PROGRAM_ICON})
  set(${out} ${KORVO_PROGRAM_ICON} ${rc} PARENT_SCOPE)
endfunction()
