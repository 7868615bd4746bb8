# The tests of this folder, added to the unit-test program.
target_sources(qm_tests PRIVATE
  tests/Common/core/widgets/WidgetTestApp.cpp
  tests/Common/core/widgets/UGVisualTest.cpp
  tests/Common/core/widgets/UGWidgetStyleTest.cpp
  tests/Common/core/widgets/UGWidgetTest.cpp
  tests/Common/core/widgets/UGWidgetManagerTest.cpp
  tests/Common/core/widgets/UGDialogEffectsTest.cpp
  tests/Common/core/widgets/UGCursorTest.cpp
  tests/Common/core/widgets/UGWidgetSnapshotTest.cpp
)

# The standard widgets and the text logic under them.
target_sources(qm_tests PRIVATE
  tests/Common/core/widgets/UGEditTextTest.cpp
  tests/Common/core/widgets/UGSliderTrackTest.cpp
  tests/Common/core/widgets/StandardWidgetsFixture.cpp
  tests/Common/core/widgets/UGStandardWidgetsTest.cpp
)
