Two-layer model: dry sand over clay
Number of layers
2
Type of model
Resistivity model
Layers: thickness (m), resistivity (ohm-m)
  8.0   250.0
         30.0
Number of spacings
15
Wenner spacings a (m)
  1.0   1.5   2.0   3.0   4.0
  6.0   8.0  10.0  15.0  20.0
 30.0  40.0  60.0  80.0 100.0
Array type (Wenner or Schlumberger)
Wenner
