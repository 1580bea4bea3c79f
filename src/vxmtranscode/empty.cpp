// Anchor for the shared engine library: its code comes from the vxmengine archive.
