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
