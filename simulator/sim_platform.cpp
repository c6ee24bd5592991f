// The simulated stereo behind the device's platform operations.
