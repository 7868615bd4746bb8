# The units of this folder, added to the engine library.
target_sources(qm_core PRIVATE
)
