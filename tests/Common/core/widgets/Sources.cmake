# The tests of this folder, added to the unit-test program.
target_sources(qm_tests PRIVATE
)

# The standard widgets and the text logic under them.
target_sources(qm_tests PRIVATE
  tests/Common/core/widgets/UGTextLayoutTest.cpp
  tests/Common/core/widgets/UGEditTextTest.cpp
  tests/Common/core/widgets/UGSliderTrackTest.cpp
  tests/Common/core/widgets/StandardWidgetsFixture.cpp
  tests/Common/core/widgets/UGStandardWidgetsTest.cpp
)
