// SPDX-License-Identifier: GPL-2.0
/*
 * A backlight for the kernel tests, /sys/class/backlight/ombix_test_backlight,
 * with the maximum brightness given at load time: no backlight driver of
 * Debian's kernel can be used in a virtual machine. The brightness written is
 * kept by the backlight core and read back as it is.
 */
#include <linux/backlight.h>
#include <linux/err.h>
#include <linux/module.h>

static unsigned int max_brightness = 255;
module_param(max_brightness, uint, 0444);
MODULE_PARM_DESC(max_brightness, "Maximum brightness, at least 1 (default 255)");

static unsigned int brightness;
module_param(brightness, uint, 0444);
MODULE_PARM_DESC(brightness, "Brightness at load time, at most the maximum (default 0)");

static struct backlight_device *backlight;

static int keep_brightness(struct backlight_device *unused)
{
	return 0;
}

static const struct backlight_ops ops = {
	.update_status = keep_brightness,
};

static int __init ombix_test_backlight_init(void)
{
	struct backlight_properties properties = {
		.type = BACKLIGHT_RAW,
		.max_brightness = max_brightness,
		.brightness = brightness,
	};

	if (max_brightness < 1 || max_brightness > INT_MAX || brightness > max_brightness)
		return -EINVAL;
	backlight = backlight_device_register("ombix_test_backlight", NULL, NULL, &ops, &properties);
	return PTR_ERR_OR_ZERO(backlight);
}

static void __exit ombix_test_backlight_exit(void)
{
	backlight_device_unregister(backlight);
}

module_init(ombix_test_backlight_init);
module_exit(ombix_test_backlight_exit);
MODULE_DESCRIPTION("Backlight test device with a chosen maximum brightness");
MODULE_LICENSE("GPL");
