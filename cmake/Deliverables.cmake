# Put a shipped program or library straight into the staged install folder.
function(stage_deliverable target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${STAGE_DIR}
    PREFIX "")
endfunction()

# Same, into a sub-folder of the install (for example "Images").
function(stage_deliverable_in target subdir)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${STAGE_DIR}/${subdir}
    PREFIX "")
endfunction()
