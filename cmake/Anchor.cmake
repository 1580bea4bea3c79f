# A library whose folder has no sources yet still builds from the empty anchor.
function(vxm_anchor_if_empty var)
    if(NOT ${var})
        set(${var} ${PROJECT_SOURCE_DIR}/src/vxmtranscode/empty.cpp PARENT_SCOPE)
    endif()
endfunction()
