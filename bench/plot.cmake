# Painting needs the Qt surface: only in builds with Qt.
if(TARGET difscop_qtsurface)
  difscop_bench(plot difscop_qtsurface difscop_plot difscop_platform)
endif()
