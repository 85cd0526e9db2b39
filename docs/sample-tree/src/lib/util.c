static int helper;
