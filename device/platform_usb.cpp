// The stereo's USB control interface, reached through its driver.
