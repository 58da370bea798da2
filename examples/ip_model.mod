Disseminated sulphide zone below weathered cover
Number of layers
3
Type of model
IP model
Layers: thickness (m), resistivity (ohm-m), chargeability (msec)
  6.0   120.0    5.0
 25.0    80.0   45.0
        500.0   10.0
Number of spacings
12
Wenner spacings a (m)
  1.0   2.0   3.0   5.0   7.0  10.0
 15.0  20.0  30.0  50.0  70.0 100.0
Array type (Wenner or Schlumberger)
Wenner
