#!/bin/sh
echo "<plist/>"
