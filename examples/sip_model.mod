SIP model: clayey sand over graphitic schist
Number of layers
3
Type of model
Frequency domain SIP model
Layers: thickness, resistivity, chargeability, time constant (s), exponent
  5.0   150.0   0.02   0.001   0.50
 20.0    60.0   0.25   0.100   0.30
        300.0   0.05   0.010   0.60
Number of spacings
10
Wenner spacings a (m)
  1.0   2.0   4.0   6.0  10.0
 15.0  25.0  40.0  60.0 100.0
Number of frequencies
12
0.01 0.03 0.1 0.3 1.0 3.0 10.0 30.0 100.0 300.0 600.0 1000.0
Array type (Wenner or Schlumberger)
Wenner
