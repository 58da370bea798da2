Channel survey: clay-filled channel from 3 to 15 m under the cover
Number of layers
4
Type of model
Resistivity model
Layers: thickness (m), resistivity (ohm-m)
  3.0   150.0
 12.0    10.0
 10.0   400.0
        100.0
Number of spacings
16
Schlumberger half current-electrode spacings AB/2 (m)
  1.0   1.5   2.0   3.0   4.0   6.0   8.0  10.0
 15.0  20.0  30.0  40.0  60.0  80.0 100.0 150.0
Array type (Wenner or Schlumberger)
Schlumberger
