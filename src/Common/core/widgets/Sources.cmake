# The units of this folder, added to the engine library.
target_sources(qm_core PRIVATE
)

# The standard widgets and the text logic under them.
target_sources(qm_core PRIVATE
  src/Common/core/widgets/UGTextLayout.cpp
  src/Common/core/widgets/UGEditText.cpp
  src/Common/core/widgets/UGSliderTrack.cpp
)
